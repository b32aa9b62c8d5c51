// binario check: the compile of a user's description files, writing nothing.
#include <memory>

#include "cli/commands.h"
#include "cli/scenario_compile.h"

namespace binario {

void registra_check(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_compilazione>();
    o->comando = "check";
    o->scrivi = false;
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Compile a line description file and a train description file and report the "
        "errors and warnings, writing nothing.");
    aggiungi_opzioni_compilazione(cmd, *o);
    cmd->footer(
        "Example: binario check \"my/Lavena_Torre Alta_linea.txt\" \"my/Lavena_Torre Alta_A "
        "1-.txt\"\n"
        "  prints the diagnostics and '0 errors, 0 warnings' for a clean scenario.\n"
        "Exit status: as for compile: 0 clean; 1 errors (or warnings with --werror); 2 the\n"
        "compile would stop with error 1250 or 1251; 64 bad command line; 65 a description\n"
        "file larger than 64 MB; 74 a description file that does not exist or cannot be\n"
        "read.");
    cmd->callback(
        [o, &azioni] { azioni.push_back([o]() -> int { return esegui_compilazione(*o); }); });
}

}  // namespace binario
