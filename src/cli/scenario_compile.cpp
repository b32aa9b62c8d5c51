#include "cli/scenario_compile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "cli/app.h"
#include "cli/scenario_names.h"
#include "common/file_names.h"
#include "common/file_replace.h"
#include "common/windows_1252.h"
#include "compiler/compile_driver.h"
#include "run/compiled_output.h"
#include "run/diagnostics_report.h"
#include "run/source_files.h"

namespace binario {

bool cartella_esistente(const std::string& percorso);

namespace {

// A fault of the command line: the message, printed after "binario COMMAND: ".
struct errore_uso {
    std::string messaggio;
};

std::string tra_apici(const std::string& s) {
    return "'" + s + "'";
}

std::string plurale(int n, const char* parola) {
    return std::to_string(n) + " " + parola + (n == 1 ? "" : "s");
}

const char* nome_evento(uint8_t evento) {
    switch (evento) {
        case 1:
            return "a signal";
        case 2:
            return "a slowdown end board";
        case 3:
            return "a slowdown start board";
        case 4:
            return "a slowdown warning board";
        case 5:
            return "a slowdown approach step";
        case 6:
            return "speed indicator boards";
        case 10:
            return "a station mark";
        case 11:
            return "a tunnel mark";
        case 12:
            return "a code mark";
        case 13:
            return "a code mark without value";
        case 14:
            return "a direction board";
        default:
            return "an event";
    }
}

// The line name or the train code: it names the compiled files and goes into the
// table in Windows-1252. Returns that Windows-1252 form.
std::string nome_valido(const std::string& nome, const char* cosa, const char* opzione) {
    if (nome.empty())
        throw errore_uso{std::string("the ") + cosa + " given with " + opzione + " is empty"};
    if (nome.find('/') != std::string::npos)
        throw errore_uso{std::string("the ") + cosa + " " + tra_apici(nome) +
                         " contains '/', which cannot stand in a file name"};
    auto w = utf8_to_windows_1252(nome);
    if (!w)
        throw errore_uso{std::string("the ") + cosa + " " + tra_apici(nome) +
                         " has a character that Windows-1252 cannot hold; the compiled table "
                         "keeps names in Windows-1252"};
    return *w;
}

// Why the code-stamping step stopped, in the words of the model it found.
std::string spiegazione_arresto(const modello& m, int32_t numero) {
    const voce& riga_linea = m.tabella[binario::riga_linea];
    const cella& prima = m.celle.at(1);
    if (numero == errore_timbro_presente) {
        if (riga_linea.intero1 != 0)
            return "table row 85 already holds intero1 = " + std::to_string(riga_linea.intero1) +
                   ", the slot of the marker 610";
        return "cell 1 (the first 50 m of the line) already holds " +
               std::string(nome_evento(prima.evento)) +
               " with dato1 = " + std::to_string(prima.dato1) +
               ", but the compile keeps the first value of cell 1 for its marker 5121; move "
               "the record that falls into cell 1 further along the line";
    }
    if (riga_linea.codice != 0)
        return "table row 85 already holds codice = " + std::to_string(riga_linea.codice) +
               ", the slot of the competition code";
    return "cell 1 (the first 50 m of the line) already holds " +
           std::string(nome_evento(prima.evento)) + " with dato2 = " + std::to_string(prima.dato2) +
           ", but the compile keeps the second value of cell 1 for the competition code; move "
           "the record that falls into cell 1 further along the line";
}

nlohmann::ordered_json diagnostica_json(const diagnostica& d) {
    nlohmann::ordered_json j;
    j["severity"] = d.avviso ? "warning" : "error";
    j["numero"] = d.avviso ? nlohmann::ordered_json() : nlohmann::ordered_json(d.numero);
    j["progressiva"] =
        d.progressiva ? nlohmann::ordered_json(*d.progressiva) : nlohmann::ordered_json();
    j["file"] = d.file.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(as_utf8(d.file));
    j["line"] = d.riga > 0 ? nlohmann::ordered_json(d.riga) : nlohmann::ordered_json();
    j["message"] = as_utf8(d.messaggio);
    return j;
}

void scrivi_riga(std::FILE* f, const std::string& testo) {
    const std::string riga = testo + "\n";
    std::fwrite(riga.data(), 1, riga.size(), f);
}

// The output paths for the names, in the order the compiled files are written.
std::vector<std::string> percorsi_uscita(bool planimetria, const std::string& cartella,
                                         const std::string& linea, const std::string& treno) {
    std::vector<std::string> p;
    if (planimetria) p.push_back(percorso_in(cartella, nome_file_piano(linea)));
    p.push_back(percorso_in(cartella, nome_file_tabella(linea, treno)));
    p.push_back(percorso_in(cartella, nome_file_celle(linea, treno)));
    return p;
}

// An output path taken by something that is not a file (a folder, a device) would
// fail only after other files of the set had replaced theirs: refuse it first.
void controlla_uscite(const std::vector<std::string>& percorsi) {
    for (const std::string& p : percorsi) {
        std::error_code ec;
        const auto stato = std::filesystem::status(p, ec);
        if (ec || !std::filesystem::exists(stato) || std::filesystem::is_regular_file(stato))
            continue;
        throw file_error(p, std::filesystem::is_directory(stato)
                                ? std::generic_category().message(EISDIR)
                                : std::string("not a regular file"));
    }
}

int compila(const opzioni_compilazione& o, const std::string& prefisso) {
    // The names: from the options, otherwise from the file names.
    std::string linea, treno;
    if (o.linea) {
        linea = *o.linea;
    } else if (auto l = linea_da_nome_file(o.file_linea)) {
        linea = *l;
    } else {
        throw errore_uso{"cannot tell the line name from " + tra_apici(nome_base(o.file_linea)) +
                         ": the file name does not end in '_linea.txt'; give the line name "
                         "with --linea NAME"};
    }
    if (o.treno) {
        treno = *o.treno;
    } else if (auto t = treno_da_nome_file(o.file_treno, linea)) {
        treno = *t;
    } else {
        throw errore_uso{"cannot tell the train code from " + tra_apici(nome_base(o.file_treno)) +
                         ": the file name does not have the form " +
                         tra_apici(nome_file_treno(linea, "CODE")) +
                         "; give the train code with --treno CODE"};
    }
    // The output folder as given, without trailing slashes ("out/" writes "out/NAME").
    std::string cartella = o.cartella;
    while (cartella.size() > 1 && cartella.back() == '/') cartella.pop_back();
    const std::string linea_1252 = nome_valido(linea, "line name", "--linea");
    const std::string treno_1252 = nome_valido(treno, "train code", "--treno");

    if (o.scrivi) {
        if (!cartella_esistente(cartella))
            throw errore_uso{"the output folder " + tra_apici(o.cartella) +
                             " does not exist or is not a folder"};
        // The user's files are never replaced by compiled ones.
        for (const std::string& uscita : percorsi_uscita(o.planimetria, cartella, linea, treno)) {
            for (const std::string* ingresso : {&o.file_linea, &o.file_treno}) {
                std::error_code ec;
                if (std::filesystem::equivalent(uscita, *ingresso, ec))
                    throw errore_uso{"the compiled file " + tra_apici(uscita) +
                                     " would replace the input file " + tra_apici(*ingresso) +
                                     "; choose another --out folder"};
            }
        }
    }

    // The output folder is this run's until it ends: another writer waits, or this
    // one does.
    std::unique_ptr<blocco_cartella> blocco;
    if (o.scrivi) {
        opzioni_blocco ob;
        ob.attendi = o.attendi;
        ob.avviso_attesa = [&] {
            scrivi_riga(stderr, prefisso + "waiting for another writer to finish with " +
                                    tra_apici(o.cartella) + " (--no-wait fails at once)");
        };
        try {
            blocco = prendi_cartella(cartella, ob);
        } catch (const cartella_occupata&) {
            scrivi_riga(stderr,
                        prefisso + tra_apici(o.cartella) +
                            " is in use by another writer; nothing was written (--no-wait)");
            return exit_busy;
        } catch (const file_error& e) {
            scrivi_riga(stderr, prefisso + "cannot prepare the output folder: " + e.what() +
                                    "; no compiled file was written");
            return exit_io;
        }
    }

    const sorgente s_linea = leggi_sorgente(o.file_linea, o.file_linea);
    const sorgente s_treno = leggi_sorgente(o.file_treno, o.file_treno);
    const bool illeggibile = s_linea.stato_file == sorgente::stato::illeggibile ||
                             s_treno.stato_file == sorgente::stato::illeggibile;

    modello m;
    m.linea = linea_1252;
    m.treno = treno_1252;
    // The plan file is written while the plan is computed.
    std::optional<scrittura_piano_anticipata> anticipata;
    if (o.scrivi && o.planimetria && !illeggibile)
        anticipata.emplace(percorsi_uscita(true, cartella, linea, treno).front());
    const esito_compilazione esito = compila_modello(m, o.planimetria ? 1 : 0, s_linea, s_treno,
                                                     anticipata ? &*anticipata : nullptr);
    // The table holds the names in Windows-1252; the file names stay as given.
    m.linea = linea;
    m.treno = treno;
    if (esito.fermato != 0) {
        diagnostica d;
        d.numero = esito.fermato;
        d.messaggio = spiegazione_arresto(m, esito.fermato);
        m.diagnostiche.push_back(d);
    }

    std::vector<std::string> scritti;
    std::optional<file_error> errore_scrittura;
    errore_insieme::stato esito_insieme = errore_insieme::stato::invariato;
    if (o.scrivi && esito.da_scrivere() && !illeggibile) {
        try {
            controlla_uscite(percorsi_uscita(o.planimetria, cartella, linea, treno));
            scritti = scrivi_file_compilati(m, cartella, system_file_ops(),
                                            anticipata ? &*anticipata : nullptr);
        } catch (const errore_insieme& e) {
            errore_scrittura = e;
            esito_insieme = e.esito();
        } catch (const file_error& e) {
            errore_scrittura = e;
        }
    }

    // Standard error: the diagnostics, the summary, then what came of the run.
    stampa_diagnostiche(m, stderr, o.avvisi);
    int errori = 0, avvisi = 0;
    for (const diagnostica& d : m.diagnostiche) (d.avviso ? avvisi : errori)++;
    const bool scrive = o.scrivi;
    // What the end of the note says about the files: written by compile, none by check.
    const std::string nessun_file =
        scrive ? "; no compiled file was written" : "; 'binario compile' would write no file";
    auto nota = [&](const std::string& testo) { scrivi_riga(stderr, prefisso + testo); };

    for (const sorgente* s : {&s_linea, &s_treno})
        if (s->stato_file == sorgente::stato::illeggibile)
            nota("cannot read " + tra_apici(s->nome) + ": " + s->motivo +
                 (scrive ? nessun_file : std::string()));
    if (errore_scrittura)
        nota("cannot write " + tra_apici(errore_scrittura->percorso()) + ": " +
             errore_scrittura->motivo() +
             (esito_insieme == errore_insieme::stato::invariato
                  ? "; no compiled file was written, and the files already in " +
                        tra_apici(o.cartella) + " are unchanged"
              : esito_insieme == errore_insieme::stato::rimesso
                  ? "; no compiled file was written: the earlier compiled files in " +
                        tra_apici(o.cartella) + " are back as they were"
                  : "; the compiled files in " + tra_apici(o.cartella) +
                        " do not form one set: run 'binario recover " + o.cartella +
                        "' to put the earlier ones back"));
    if (esito.fermato != 0) {
        scrivi_riga(stderr, " Errore n. " + std::to_string(esito.fermato));
        const std::string numero = std::to_string(esito.fermato);
        if (scrive)
            nota("stopped by error " + numero + nessun_file + ", and the files already in " +
                 tra_apici(o.cartella) + " are unchanged");
        else
            nota("'binario compile' would stop with error " + numero + " and write no file");
    } else if (!illeggibile && errori > 0) {
        if (!esito.celle_create) {
            if (s_linea.stato_file == sorgente::stato::assente)
                nota("the line file " + tra_apici(o.file_linea) + " does not exist" + nessun_file);
            else
                nota("the line file was not read as far as a usable line length" + nessun_file);
        } else if (scrive && !errore_scrittura) {
            nota("the scenario is incomplete: the compile recorded " + plurale(errori, "error") +
                 "; the compiled files were written all the same, as far as the compile got");
        } else if (!scrive) {
            nota("the scenario is incomplete: compiled as it stands, it gives " +
                 plurale(errori, "error") + " and incomplete compiled files");
        }
        if (s_treno.stato_file == sorgente::stato::assente)
            nota("the train file " + tra_apici(o.file_treno) + " does not exist");
    }
    if (o.avvisi_falliscono && avvisi > 0 && errori == 0 && esito.fermato == 0)
        nota(plurale(avvisi, "warning") + " count as errors (--werror)");

    // Standard output: the JSON object, or the paths written.
    if (o.json) {
        nlohmann::ordered_json j;
        j["errore_numero"] = m.errore_numero;
        j["errore_progressiva"] = m.errore_progressiva;
        j["stopped"] =
            esito.fermato != 0 ? nlohmann::ordered_json(esito.fermato) : nlohmann::ordered_json();
        j["ultima_cella"] = m.ultima_cella;
        j["lunghezza_estesa"] = m.lunghezza_estesa;
        j["files"] = nlohmann::ordered_json::array();
        for (const std::string& p : scritti) j["files"].push_back(as_utf8(p));
        j["diagnostics"] = nlohmann::ordered_json::array();
        for (const diagnostica& d : m.diagnostiche)
            if (!d.avviso || o.avvisi) j["diagnostics"].push_back(diagnostica_json(d));
        j["io_error"] = errore_scrittura ? nlohmann::ordered_json(as_utf8(errore_scrittura->what()))
                                         : nlohmann::ordered_json();
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        for (const std::string& p : scritti) scrivi_riga(stdout, p);
    }

    if (s_linea.troppo_grande || s_treno.troppo_grande) return exit_bad_data;
    if (illeggibile || errore_scrittura) return exit_io;
    if (esito.fermato != 0) return exit_stopped;
    if (errori > 0 || m.errore_numero != 0) return exit_faults;
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
    cmd->add_option_function<std::string>(
        "--linea", [&o](const std::string& v) { o.linea = v; },
        "Line name, when LINE's file name does not give it; it names the compiled files and "
        "goes into the table");
    cmd->add_option_function<std::string>(
        "--treno", [&o](const std::string& v) { o.treno = v; },
        "Train code, when TRAIN's file name does not give it; it names the compiled files and "
        "goes into the table");
    if (o.scrivi)
        cmd->add_flag_callback(
            "--no-plan", [&o] { o.planimetria = false; },
            "Build no track plan and write no plan file (NAME_linea.dat); an existing plan file "
            "is left as it is, and curve records are not read");
    cmd->add_flag("--json", o.json,
                  std::string("Print one JSON object on standard output") +
                      (o.scrivi ? " instead of the paths written" : "") +
                      ": error state, stop, cell count, files written, diagnostics (which "
                      "still go to standard error as well)");
    CLI::Option* senza_avvisi = cmd->add_flag_callback(
        "--no-warnings", [&o] { o.avvisi = false; },
        "Leave warnings out of the report (and out of its counts)");
    cmd->add_flag("--werror", o.avvisi_falliscono, "Warnings make the exit status 1, as errors do")
        ->excludes(senza_avvisi);
    if (o.scrivi)
        cmd->add_flag_callback(
            "--no-wait", [&o] { o.attendi = false; },
            "When another run is writing into the --out folder, fail at once (exit 75) "
            "instead of waiting for it");
}

int esegui_compilazione(const opzioni_compilazione& o) {
    const std::string prefisso = "binario " + o.comando + ": ";
    try {
        return compila(o, prefisso);
    } catch (const errore_uso& e) {
        scrivi_riga(stderr, prefisso + e.messaggio);
        return exit_usage;
    }
}

}  // namespace binario
