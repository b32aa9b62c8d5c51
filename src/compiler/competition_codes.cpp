#include "compiler/competition_codes.h"
// placeholder
namespace binario {
int32_t codice_gara_st(modello&) { return 0; }
int16_t codice_gara_og(modello&) { return 0; }
int32_t timbra_codici(modello&) { return 0; }
}  // namespace binario
