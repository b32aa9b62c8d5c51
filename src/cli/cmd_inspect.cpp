#include "cli/commands.h"
// placeholder until inspect is built
namespace binario {
void registra_inspect(CLI::App&, elenco_azioni&) {}
}  // namespace binario
