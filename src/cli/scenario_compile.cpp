#include "cli/scenario_compile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/plural.h"
#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "compiler/warning_names.h"
#include "run/diagnostics_report.h"
#include "service/compile_service.h"

namespace binario {

namespace {

std::string tra_apici(const std::string& s) {
    return "'" + s + "'";
}

nlohmann::ordered_json diagnostica_json(const diagnostica& d) {
    nlohmann::ordered_json j;
    j["severity"] = d.nota ? "note" : d.avviso ? "warning" : "error";
    j["numero"] = d.avviso ? nlohmann::ordered_json() : nlohmann::ordered_json(d.numero);
    j["name"] = d.avviso ? nlohmann::ordered_json(d.nome) : nlohmann::ordered_json();
    const char* significato = d.avviso ? nullptr : significato_di(d.numero);
    j["meaning"] = significato ? nlohmann::ordered_json(significato) : nlohmann::ordered_json();
    j["after_stop"] = d.dopo_arresto;
    j["progressiva"] =
        d.progressiva ? nlohmann::ordered_json(*d.progressiva) : nlohmann::ordered_json();
    j["file"] = d.file.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(as_utf8(d.file));
    j["line"] = d.riga > 0 ? nlohmann::ordered_json(d.riga) : nlohmann::ordered_json();
    j["column"] =
        d.riga > 0 && d.colonna > 0 ? nlohmann::ordered_json(d.colonna) : nlohmann::ordered_json();
    j["message"] = as_utf8(d.messaggio);
    return j;
}

void scrivi_riga(std::FILE* f, const std::string& testo) {
    const std::string riga = testo + "\n";
    std::fwrite(riga.data(), 1, riga.size(), f);
}

compile_request richiesta(const opzioni_compilazione& o, const std::string& prefisso) {
    compile_request r;
    r.line_file.path = o.file_linea;
    r.train_file.path = o.file_treno;
    r.line_name = o.linea;
    r.train_code = o.treno;
    if (o.scrivi) r.output_folder = o.cartella;
    r.build_plan = o.planimetria;
    r.wait_for_folder = o.attendi;
    r.writes = o.incompleto ? write_rule::incomplete : write_rule::clean_only;
    r.warnings_count_as_errors = o.avvisi_falliscono;
    r.diagnostics.massimo = o.massimo_diagnostiche;
    r.diagnostics.avvisi = o.avvisi;
    r.diagnostics.spenti = o.avvisi_spenti;
    r.on_wait = [&o, prefisso] {
        scrivi_riga(stderr, prefisso + "waiting for another writer to finish with " +
                                tra_apici(o.cartella) + " (--no-wait fails at once)");
    };
    return r;
}

// What the end of the report says about the files of a compile that wrote none.
std::string nessun_file(bool scrive) {
    return scrive ? "; no compiled file was written" : "; 'binario compile' would write no file";
}

std::string nota_scrittura(const compile_result& esito, const std::string& cartella) {
    const io_failure& e = *esito.io_error;
    using stato = errore_insieme::stato;
    return "cannot write " + tra_apici(e.path) + ": " + e.reason +
           (esito.set_state == stato::invariato
                ? "; no compiled file was written, and the files already in " +
                      tra_apici(cartella) + " are unchanged"
            : esito.set_state == stato::rimesso
                ? "; no compiled file was written: the earlier compiled files in " +
                      tra_apici(cartella) + " are back as they were"
                : "; the compiled files in " + tra_apici(cartella) +
                      " do not form one set: run 'binario recover " + cartella +
                      "' to put the earlier ones back");
}

// What the files in the output folder are after a compile that wrote none.
std::string invariati(const opzioni_compilazione& o) {
    return "; no compiled file was written, and the files already in " + tra_apici(o.cartella) +
           " are unchanged";
}

// The note on a compile that recorded errors: how far it got, and what of the files.
// Empty when there is nothing to add.
std::string nota_errori(const opzioni_compilazione& o, const compile_result& esito, int errori) {
    const bool scrive = o.scrivi;
    if (!esito.cells_built)
        return "the line file was not read as far as a usable line length" + nessun_file(scrive);
    if (!scrive)
        return "the scenario is incomplete: 'binario compile' would write no file, and with "
               "--incomplete it writes the files as far as the compile gets";
    if (esito.io_error) return {};
    if (esito.withheld)
        return "the scenario has " + plurale(errori, "error") + invariati(o) +
               "; --incomplete writes the files as far as the compile gets";
    return "the scenario is incomplete: the compile recorded " + plurale(errori, "error") +
           "; the compiled files were written all the same (--incomplete), as far as the "
           "compile got";
}

std::string nota_arresto(const opzioni_compilazione& o, int32_t numero) {
    const std::string n = std::to_string(numero);
    if (!o.scrivi) return "'binario compile' would stop with error " + n + " and write no file";
    return "stopped by error " + n + invariati(o);
}

// The note on warnings that --werror counts as errors, in a compile without errors.
std::string nota_avvisi_errori(const opzioni_compilazione& o, const compile_result& esito,
                               int avvisi) {
    std::string testo = plurale(avvisi, "warning") +
                        (avvisi == 1 ? " counts as an error" : " count as errors") + " (--werror)";
    if (esito.withheld) return testo + invariati(o);
    if (!esito.written.empty())
        return testo +
               "; the compiled files were written all the same "
               "(--incomplete)";
    return testo;
}

// A description file that is missing is one that cannot be read: its name may be a
// slip, and nothing is written under it. Returns whether there was one.
bool stampa_sorgenti_illeggibili(const opzioni_compilazione& o, const compile_result& esito,
                                 const std::string& prefisso) {
    const std::string scritto_nulla = o.scrivi ? nessun_file(true) : std::string();
    bool trovato = false;
    for (const source_status* s : {&esito.line_source, &esito.train_source}) {
        if (s->state == sorgente::stato::letto) continue;
        const std::string motivo =
            s->state == sorgente::stato::assente ? std::strerror(ENOENT) : s->reason;
        scrivi_riga(stderr,
                    prefisso + "cannot read " + tra_apici(s->name) + ": " + motivo + scritto_nulla);
        trovato = true;
    }
    return trovato;
}

// The notes on standard error after the diagnostics: what came of the run.
void stampa_note(const opzioni_compilazione& o, const compile_result& esito, int errori, int avvisi,
                 const std::string& prefisso) {
    auto nota = [&](const std::string& testo) { scrivi_riga(stderr, prefisso + testo); };
    stampa_sorgenti_illeggibili(o, esito, prefisso);
    if (esito.io_error) nota(nota_scrittura(esito, o.cartella));
    const bool sorgenti = esito.sources_readable() && esito.sources_present();
    if (esito.stop) {
        scrivi_riga(stderr, " Errore n. " + std::to_string(esito.stop->numero));
        nota(nota_arresto(o, esito.stop->numero));
    } else if (sorgenti && errori > 0) {
        const std::string testo = nota_errori(o, esito, errori);
        if (!testo.empty()) nota(testo);
    } else if (sorgenti && o.avvisi_falliscono && avvisi > 0) {
        nota(nota_avvisi_errori(o, esito, avvisi));
    }
}

// Standard output: the JSON object, or the paths written.
void stampa_uscita(const opzioni_compilazione& o, const compile_result& esito) {
    if (!o.json) {
        for (const std::string& p : esito.written) scrivi_riga(stdout, p);
        return;
    }
    const modello& m = esito.model;
    nlohmann::ordered_json j;
    j["errore_numero"] = m.errore_numero;
    j["errore_progressiva"] = m.errore_progressiva;
    j["stopped"] =
        esito.stop ? nlohmann::ordered_json(esito.stop->numero) : nlohmann::ordered_json();
    j["ultima_cella"] = m.ultima_cella;
    j["lunghezza_estesa"] = m.lunghezza_estesa;
    j["files"] = nlohmann::ordered_json::array();
    for (const std::string& p : esito.written) j["files"].push_back(as_utf8(p));
    j["diagnostics"] = nlohmann::ordered_json::array();
    for (const diagnostica& d : m.diagnostiche)
        if (!d.avviso || o.avvisi) j["diagnostics"].push_back(diagnostica_json(d));
    const totali_diagnostiche totali = conta_diagnostiche(m, o.avvisi);
    j["counts"] = {{"errors", totali.errori},
                   {"warnings", totali.avvisi},
                   {"notes", totali.note},
                   {"not_shown", totali.omessi}};
    j["io_error"] = esito.io_error ? nlohmann::ordered_json(as_utf8(esito.io_error->text()))
                                   : nlohmann::ordered_json();
    std::printf("%s\n", j.dump(2).c_str());
}

int stato_uscita(const opzioni_compilazione& o, const compile_result& esito, int errori,
                 int avvisi) {
    if (esito.line_source.too_large || esito.train_source.too_large) return exit_bad_data;
    if (!esito.sources_readable() || !esito.sources_present() || esito.io_error) return exit_io;
    if (esito.stop) return exit_stopped;
    if (errori > 0 || esito.model.errore_numero != 0) return exit_faults;
    if (o.avvisi_falliscono && avvisi > 0) return exit_faults;
    return exit_ok;
}

}  // namespace

void aggiungi_opzioni_compilazione(CLI::App* cmd, opzioni_compilazione& o) {
    cmd->add_option("LINE", o.file_linea,
                    "Line description file, only read; its name NAME_linea.txt gives the line "
                    "name")
        ->required();
    cmd->add_option("TRAIN", o.file_treno,
                    "Train description file, only read; its name NAME_CODE-.txt gives the train "
                    "code")
        ->required();
    if (o.scrivi)
        cmd->add_option("--out", o.cartella,
                        "Existing folder to write the compiled files into (default: the "
                        "current folder)");
    // check writes no file: there the names only go into the table it compiles.
    const std::string uso_nome = o.scrivi ? "it names the compiled files and goes into the table"
                                          : "it goes into the table, as compile would put it";
    cmd->add_option_function<std::string>(
        "--linea", [&o](const std::string& v) { o.linea = v; },
        "Line name, when LINE's file name does not give it; " + uso_nome);
    cmd->add_option_function<std::string>(
        "--treno", [&o](const std::string& v) { o.treno = v; },
        "Train code, when TRAIN's file name does not give it; " + uso_nome);
    if (o.scrivi)
        cmd->add_flag("--incomplete", o.incompleto,
                      "Write the compiled files even when the compile records errors, as far as "
                      "it gets, as the one-shot run does; without it a compile with errors "
                      "writes nothing and leaves the files in --out as they were");
    if (o.scrivi)
        cmd->add_flag_callback(
            "--no-plan", [&o] { o.planimetria = false; },
            "Build no track plan and write no plan file (NAME_linea.dat); an existing plan file "
            "is left as it is, and curve records are not read");
    cmd->add_flag("--json", o.json,
                  std::string("Print one JSON object on standard output") +
                      (o.scrivi ? " instead of the paths written: error state, stop, cell "
                                  "count, files written (none when nothing was written), "
                                  "diagnostics"
                                : ": error state, stop, cell count, files (always none), "
                                  "diagnostics") +
                      " (which still go to standard error as well)");
    CLI::Option* senza_avvisi = cmd->add_flag_callback(
        "--no-warnings", [&o] { o.avvisi = false; },
        "Leave warnings out of the report (and out of its counts)");
    cmd->add_flag("--werror", o.avvisi_falliscono,
                  o.scrivi ? "Warnings count as errors: exit status 1, and no file written "
                             "(unless --incomplete)"
                           : "Warnings count as errors: exit status 1")
        ->excludes(senza_avvisi);
    cmd->add_option("--max-diagnostics", o.massimo_diagnostiche,
                    "Report at most N errors and warnings (default 100; 0 for all); the rest "
                    "are counted, and the summary gives the totals")
        ->check(CLI::NonNegativeNumber);
    auto spegni = [&o](const std::string& nome) {
        if (!avviso_noto(nome))
            throw CLI::ValidationError("no warning is named '" + nome +
                                       "'; 'binario help warnings' lists them");
        o.avvisi_spenti.push_back(nome);
    };
    cmd->add_option_function<std::vector<std::string>>(
           "--allow",
           [spegni](const std::vector<std::string>& nomi) {
               for (const std::string& n : nomi) spegni(n);
           },
           "Turn off the warning NAME (the name shown in brackets after it); may be repeated")
        ->type_name("NAME");
    cmd->add_option_function<std::vector<std::string>>(
           "-W",
           [spegni](const std::vector<std::string>& valori) {
               for (const std::string& v : valori) {
                   if (v.rfind("no-", 0) != 0)
                       throw CLI::ValidationError("-W takes no-NAME, as in -Wno-trailing-text");
                   spegni(v.substr(3));
               }
           },
           "-Wno-NAME turns off the warning NAME, as --allow NAME does")
        ->type_name("no-NAME");
    if (o.scrivi)
        cmd->add_flag_callback(
            "--no-wait", [&o] { o.attendi = false; },
            "When another run is writing into the --out folder, fail at once (exit 75) "
            "instead of waiting for it");
}

int esegui_compilazione(const opzioni_compilazione& o) {
    const std::string prefisso = "binario " + o.comando + ": ";
    compile_result esito = compile_scenario(richiesta(o, prefisso));
    if (esito.fault) {
        // A file that is not there explains a name that cannot be told from it.
        const bool illeggibili = stampa_sorgenti_illeggibili(o, esito, prefisso);
        scrivi_riga(stderr, prefisso + esito.fault->message);
        if (esito.line_source.too_large || esito.train_source.too_large) return exit_bad_data;
        return illeggibili ? exit_io : exit_usage;
    }
    if (esito.folder_busy) {
        scrivi_riga(stderr, prefisso + tra_apici(o.cartella) +
                                " is in use by another writer; nothing was written (--no-wait)");
        return exit_busy;
    }
    if (esito.folder_error) {
        scrivi_riga(stderr, prefisso + "cannot prepare the output folder: " +
                                esito.folder_error->text() + "; no compiled file was written");
        return exit_io;
    }
    // The stop is reported with the faults, as the last of them.
    if (esito.stop) esito.model.diagnostiche.push_back(*esito.stop);

    // Standard error: the diagnostics, the summary, then what came of the run.
    stampa_diagnostiche(esito.model, stderr, o.avvisi);
    const totali_diagnostiche totali = conta_diagnostiche(esito.model, o.avvisi);
    const int errori = static_cast<int>(std::min<int64_t>(totali.errori, INT32_MAX));
    const int avvisi = static_cast<int>(std::min<int64_t>(totali.avvisi, INT32_MAX));
    stampa_note(o, esito, errori, avvisi, prefisso);
    stampa_uscita(o, esito);
    return stato_uscita(o, esito, errori, avvisi);
}

}  // namespace binario
