#include <cstdio>
#include <memory>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "common/file_replace.h"
#include "common/folder_exists.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"

namespace binario {

void registra_example(CLI::App& app, elenco_azioni& azioni) {
    auto cartella = std::make_shared<std::string>();
    auto attendi = std::make_shared<bool>(true);
    CLI::App* cmd = app.add_subcommand(
        "example", "Write the built-in line and train description files into DIR, as templates.");
    cmd->add_option("DIR", *cartella, "Existing folder to write into")->required();
    cmd->footer(
        "Example: binario example my_line\n"
        "  writes 'my_line/Lavena_Torre Alta_linea.txt' and 'my_line/Lavena_Torre Alta_A 1-.txt'");
    cmd->add_flag_callback(
        "--no-wait", [attendi] { *attendi = false; },
        "When another run is writing into DIR, fail at once (exit 75) instead of waiting");
    cmd->callback([cartella, attendi, &azioni] {
        azioni.push_back([cartella, attendi]() -> int {
            if (!folder_exists(*cartella)) {
                std::fprintf(stderr, "binario example: folder '%s' does not exist\n",
                             cartella->c_str());
                return exit_usage;
            }
            try {
                opzioni_blocco o;
                o.attendi = *attendi;
                const auto blocco = prendi_cartella(*cartella, o);
                dati_linea(*cartella, "Lavena_Torre Alta");
                dati_treno(*cartella, "Lavena_Torre Alta", "A 1");
            } catch (const cartella_occupata&) {
                std::fprintf(stderr,
                             "binario example: '%s' is in use by another writer (--no-wait)\n",
                             cartella->c_str());
                return exit_busy;
            } catch (const file_error& e) {
                std::fprintf(stderr, "binario example: %s\n", e.what());
                return exit_io;
            }
            return exit_ok;
        });
    });
}

}  // namespace binario
