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
        "A compile that records an error writes nothing and leaves the files already in\n"
        "--out as they were; --incomplete writes them all the same, as far as the compile\n"
        "gets. A description file that does not exist or cannot be read writes nothing.\n"
        "Exit status: 0 clean; 1 errors were recorded, or warnings with --werror (nothing\n"
        "written unless --incomplete); 2 the compile stopped with error 1250 or 1251\n"
        "(nothing written); 64 bad command line; 65 a description file larger than 64 MB;\n"
        "74 a file that does not exist or cannot be read or written; 75 the --out folder\n"
        "is in use by another run and --no-wait was given.");
    cmd->callback(
        [o, &azioni] { azioni.push_back([o]() -> int { return esegui_compilazione(*o); }); });
}

}  // namespace binario
