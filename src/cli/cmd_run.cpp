#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "common/file_replace.h"
#include "run/one_shot.h"

namespace binario {

bool cartella_esistente(const std::string& percorso) {
    struct stat st {};
    return ::stat(percorso.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void registra_run(CLI::App& app, elenco_azioni& azioni) {
    auto cartella = std::make_shared<std::string>();
    auto attendi = std::make_shared<bool>(true);
    CLI::App* cmd = app.add_subcommand(
        "run", "The one-shot run of the built-in scenario in DIR instead of the program's folder.");
    cmd->add_option("--dir", *cartella, "Folder that stands for the program's folder (must exist)")
        ->required();
    cmd->add_flag_callback(
        "--no-wait", [attendi] { *attendi = false; },
        "When another run is writing into DIR, fail at once (exit 75) instead of waiting");
    cmd->footer("Example: binario run --dir out");
    cmd->callback([cartella, attendi, &azioni] {
        azioni.push_back([cartella, attendi]() -> int {
            if (!cartella_esistente(*cartella)) {
                std::fprintf(stderr, "binario run: folder '%s' does not exist\n",
                             cartella->c_str());
                return exit_usage;
            }
            std::unique_ptr<blocco_cartella> blocco;
            try {
                opzioni_blocco o;
                o.attendi = *attendi;
                o.avviso_attesa = [cartella] {
                    std::fprintf(stderr,
                                 "binario run: waiting for another writer to finish with '%s'\n",
                                 cartella->c_str());
                };
                blocco = prendi_cartella(*cartella, o);
            } catch (const cartella_occupata&) {
                std::fprintf(stderr, "binario run: '%s' is in use by another writer (--no-wait)\n",
                             cartella->c_str());
                return exit_busy;
            } catch (const file_error& e) {
                std::fprintf(stderr, "binario: %s\n", e.what());
                return exit_io;
            }
            return esegui_avvio(*cartella);
        });
    });
}

}  // namespace binario
