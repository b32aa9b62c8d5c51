// binario compile: compiles a user's line and train description files into the
// compiled files the simulator loads.
#include <memory>

#include "cli/commands.h"
#include "cli/scenario_compile.h"

namespace binario {

void registra_compile(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_compilazione>();
    o->comando = "compile";
    o->scrivi = true;
    CLI::App* cmd = app.add_subcommand(
        "compile",
        "Compile a line description file and a train description file into the plan, table "
        "and cell files. The two files are only read.");
    aggiungi_opzioni_compilazione(cmd, *o);
    cmd->footer(
        "Example: binario compile \"my/Lavena_Torre Alta_linea.txt\" \"my/Lavena_Torre Alta_A "
        "1-.txt\" --out my\n"
        "  writes 'my/Lavena_Torre Alta_linea.dat', 'my/Lavena_Torre Alta_A 1.sim' and\n"
        "  'my/Lavena_Torre Alta_A 1.dat', and prints their paths.\n"
        "Diagnostics go to standard error, one a line (FILE:LINE: error N: message), then\n"
        "a summary line.\n"
        "Exit status: 0 clean; 1 errors were recorded (the files are written all the same and\n"
        "the scenario is incomplete), or warnings with --werror; 2 the compile stopped with\n"
        "error 1250 or 1251 (nothing written); 64 bad command line; 65 a description file\n"
        "larger than 64 MB; 74 a file that cannot be read or written; 75 the --out folder is\n"
        "in use by another run and --no-wait was given.");
    cmd->callback(
        [o, &azioni] { azioni.push_back([o]() -> int { return esegui_compilazione(*o); }); });
}

}  // namespace binario
