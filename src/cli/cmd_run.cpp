#include <cstdio>
#include <memory>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "common/file_replace.h"
#include "common/folder_exists.h"
#include "run/diagnostics_report.h"
#include "run/one_shot.h"
#include "run/platform.h"

namespace binario {

int riporta_avvio(const compile_result& esito, std::FILE* err,
                  const std::function<void(const std::string&)>& finestra) {
    if (esito.io_error) {
        std::fprintf(err, "binario: %s\n", esito.io_error->text().c_str());
        return exit_io;
    }
    for (const source_status* s : {&esito.line_source, &esito.train_source}) {
        if (s->state != sorgente::stato::illeggibile) continue;
        std::fprintf(err, "binario: %s: %s\n", s->name.c_str(), s->reason.c_str());
        return exit_io;
    }
    if (esito.stop) {
        const std::string testo = " Errore n. " + std::to_string(esito.stop->numero);
        if (finestra)
            finestra(testo);
        else
            std::fprintf(err, "%s\n", testo.c_str());
        return exit_stopped;
    }
    const modello& m = esito.model;
    if (m.errore_numero != 0 || !m.diagnostiche.empty()) {
        stampa_diagnostiche(m, err);
        return m.errore_numero != 0 ? exit_faults : exit_ok;
    }
    return exit_ok;
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
    cmd->footer(
        "Example: binario run --dir out\n"
        "Writes what the one-shot run writes: the three documents and the three compiled\n"
        "files (the two description files are deleted once read).\n"
        "Exit status: 0 done; 1 the compile recorded errors (listed; the files are written\n"
        "all the same); 2 the compile stopped with error 1250 or 1251 (no compiled file\n"
        "written); 64 bad command line, or DIR does not exist; 74 a file cannot be read or\n"
        "written; 75 DIR is in use and --no-wait was given.");
    cmd->callback([cartella, attendi, &azioni] {
        azioni.push_back([cartella, attendi]() -> int {
            if (!folder_exists(*cartella)) {
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
            return riporta_avvio(esegui_avvio(*cartella), stderr, finestra_arresto());
        });
    });
}

}  // namespace binario
