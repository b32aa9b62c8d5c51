// binario recover: mends an output folder after a writer that was killed.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "common/folder_exists.h"
#include "common/set_journal.h"
#include "platform/folder_lock.h"

namespace binario {

void registra_recover(CLI::App& app, elenco_azioni& azioni) {
    auto cartella = std::make_shared<std::string>();
    auto attendi = std::make_shared<bool>(true);
    CLI::App* cmd = app.add_subcommand(
        "recover",
        "Mend DIR after a run that was killed while writing: put back the earlier compiled "
        "files of a set it left half-replaced, and remove the temporary files it left.");
    cmd->add_option("DIR", *cartella, "Output folder to mend (must exist)")->required();
    cmd->add_flag_callback(
        "--no-wait", [attendi] { *attendi = false; },
        "When another run is writing into DIR, fail at once (exit 75) instead of waiting");
    cmd->footer(
        "Any command that writes into a folder mends it the same way first; this command\n"
        "does only that. Exit status: 0 done (or nothing to do); 64 bad command line;\n"
        "74 the folder cannot be mended (the message says why); 75 DIR in use and --no-wait.");
    cmd->callback([cartella, attendi, &azioni] {
        azioni.push_back([cartella, attendi]() -> int {
            const std::string& c = *cartella;
            if (!folder_exists(c)) {
                std::fprintf(stderr, "binario recover: folder '%s' does not exist\n", c.c_str());
                return exit_usage;
            }
            try {
                opzioni_blocco o;
                o.attendi = *attendi;
                o.avviso_attesa = [&c] {
                    std::fprintf(stderr,
                                 "binario recover: waiting for another writer to finish with "
                                 "'%s'\n",
                                 c.c_str());
                };
                blocco_cartella blocco(c, o);
                const esito_ripristino e = ripristina_cartella(c);
                if (e.giornale)
                    std::printf(
                        "'%s': a write had been cut short; the earlier files of its set "
                        "are back\n",
                        c.c_str());
                if (e.temporanei_rimossi > 0)
                    std::printf("'%s': removed %d temporary file%s left by killed runs\n",
                                c.c_str(), e.temporanei_rimossi,
                                e.temporanei_rimossi == 1 ? "" : "s");
                if (!e.giornale && e.temporanei_rimossi == 0)
                    std::printf("'%s': nothing to recover\n", c.c_str());
            } catch (const cartella_occupata&) {
                std::fprintf(stderr, "binario recover: '%s' is in use by another writer\n",
                             c.c_str());
                return exit_busy;
            } catch (const file_error& e) {
                std::fprintf(stderr, "binario recover: %s\n", e.what());
                return exit_io;
            }
            return exit_ok;
        });
    });
}

}  // namespace binario
