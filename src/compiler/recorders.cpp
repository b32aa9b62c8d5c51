#include "compiler/recorders.h"
// placeholder
namespace binario {
int64_t cella_evento(int64_t p) { return p / 50 + 1; }
void progressive_ordina(modello&) {}
bool memo_montagna(modello&, int32_t&, int32_t&, int32_t&) { return true; }
bool memo_rallentamento(modello&, int32_t, int32_t&, int32_t&, int32_t&, int32_t, int32_t&) { return true; }
bool memo_segnale(modello&, int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&) { return true; }
bool memo_indicatori_v_max(modello&, int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&) { return true; }
}  // namespace binario
