#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "run/one_shot.h"
#include "run/platform.h"

namespace binario {

int esegui_cli(int argc, char** argv) {
    if (argc <= 1) return riporta_avvio(esegui_avvio(cartella_programma()), stderr);

    CLI::App app{
        "binario: scenario compiler for the train-driving simulator.\n"
        "With no arguments it writes the built-in scenario (line \"Lavena_Torre Alta\", train\n"
        "\"A 1\") into the program's folder and compiles it.",
        "binario"};
    app.set_version_flag("--version", std::string("binario ") + BINARIO_VERSION);
    app.require_subcommand(1);
    app.footer("Run 'binario COMMAND --help' for the options of a command.");

    std::vector<std::function<int()>> azioni;
    registra_comandi(app, azioni);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exit_usage;
    }
    for (auto& azione : azioni)
        if (azione) return azione();
    return exit_usage;
}

}  // namespace binario
