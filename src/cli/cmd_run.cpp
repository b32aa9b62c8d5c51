#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "run/one_shot.h"

namespace binario {

bool cartella_esistente(const std::string& percorso) {
    struct stat st {};
    return ::stat(percorso.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void registra_run(CLI::App& app, elenco_azioni& azioni) {
    auto cartella = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "run", "The one-shot run of the built-in scenario in DIR instead of the program's folder.");
    cmd->add_option("--dir", *cartella, "Folder that stands for the program's folder (must exist)")
        ->required();
    cmd->footer("Example: binario run --dir out");
    cmd->callback([cartella, &azioni] {
        azioni.push_back([cartella]() -> int {
            if (!cartella_esistente(*cartella)) {
                std::fprintf(stderr, "binario run: folder '%s' does not exist\n",
                             cartella->c_str());
                return exit_usage;
            }
            return esegui_avvio(*cartella);
        });
    });
}

}  // namespace binario
