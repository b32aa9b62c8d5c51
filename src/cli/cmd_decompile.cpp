// binario decompile: writes the line and train description files of a compiled
// set, then compiles them in memory and compares every byte with the set. The
// compiled files are only read.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "cli/app.h"
#include "cli/commands.h"
#include "cli/compiled_set.h"
#include "cli/plural.h"
#include "common/file_names.h"
#include "common/file_replace.h"
#include "common/folder_exists.h"
#include "common/set_journal.h"
#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "decompile/decompiler.h"
#include "decompile/round_trip.h"
#include "formats/plan_shape.h"
#include "platform/utf8_paths.h"

namespace binario {

namespace {

struct opzioni_decompile {
    std::vector<std::string> ingressi;  // DIR, or PLAN TABLE CELLS (TABLE CELLS with --no-plan)
    std::string uscita;
    std::string linea, treno;
    bool forza = false;
    bool senza_piano = false;
    bool json = false;
};

struct insieme_letto {
    insieme_compilato insieme;
    std::string linea, treno;
    std::vector<std::string> percorsi;  // the files read
    bool piano_assente = false;
};

// A name becomes part of a file name: it must name no folder.
bool nome_usabile(const std::string& n) {
    return !n.empty() && n != "." && n != ".." && n.find('/') == std::string::npos &&
           n.find('\0') == std::string::npos;
}

insieme_letto leggi_insieme(const opzioni_decompile& o) {
    insieme_letto l;
    std::string p_piano, p_tabella, p_celle;
    std::string linea_trovata, treno_trovato;
    if (o.ingressi.size() == 1) {
        if (!folder_exists(o.ingressi[0]))
            throw errore_ricerca{exit_usage, "folder '" + o.ingressi[0] + "' does not exist"};
        const scenario_trovato s = scegli_scenario(o.ingressi[0], o.linea, o.treno);
        linea_trovata = s.linea;
        treno_trovato = s.treno;
        p_piano = percorso_in(o.ingressi[0], nome_file_piano(s.linea));
        p_tabella = percorso_in(o.ingressi[0], nome_file_tabella(s.linea, s.treno));
        p_celle = percorso_in(o.ingressi[0], nome_file_celle(s.linea, s.treno));
    } else if (o.ingressi.size() == 3) {
        p_piano = o.ingressi[0];
        p_tabella = o.ingressi[1];
        p_celle = o.ingressi[2];
    } else if (o.ingressi.size() == 2 && o.senza_piano) {
        p_tabella = o.ingressi[0];
        p_celle = o.ingressi[1];
    } else {
        throw errore_ricerca{exit_usage,
                             "give a folder DIR, or the three files PLAN TABLE CELLS (TABLE CELLS "
                             "with --no-plan)"};
    }
    // A writer killed half-way may have left a mix of two sets.
    if (o.ingressi.size() == 1 && giornale_presente(o.ingressi[0]))
        throw errore_ricerca{exit_bad_data,
                             "the compiled files in '" + o.ingressi[0] +
                                 "' do not form one set: a write into it was cut short; run "
                                 "'binario recover' (or compile again) first"};
    l.insieme.tabella = decodificato_o_errore(
        decodifica_tabella(*leggi_file_compilato(p_tabella, "table", false)), p_tabella, "table");
    l.insieme.celle = decodificato_o_errore(
        decodifica_celle(*leggi_file_compilato(p_celle, "cells", false)), p_celle, "cell");
    l.percorsi = {p_tabella, p_celle};
    if (!o.senza_piano && !p_piano.empty()) {
        const bool facoltativo = o.ingressi.size() == 1;
        if (auto dati = leggi_file_compilato(p_piano, "plan", facoltativo)) {
            auto esito = decodifica_piano(*dati);
            if (esito.valido())
                if (auto forma = controlla_forma_piano(esito.dati)) esito.errore = std::move(forma);
            l.insieme.piano = decodificato_o_errore(std::move(esito), p_piano, "plan");
            l.percorsi.push_back(p_piano);
        } else {
            l.piano_assente = true;
        }
    }
    // The names the set was compiled under are the texts of rows 85 and 86; they
    // enter the competition codes.
    const std::string& in_linea = l.insieme.tabella[riga_linea].testo;
    const std::string& in_treno = l.insieme.tabella[riga_treno].testo;
    // Names given or found as file names are UTF-8; the table holds Windows-1252.
    auto in_tabella = [](const std::string& utf8, const char* opzione) {
        auto t = utf8_to_windows_1252(utf8);
        if (!t)
            throw errore_ricerca{exit_usage, "the name '" + utf8 +
                                                 "' has characters outside "
                                                 "Windows-1252; pass " +
                                                 opzione};
        return *t;
    };
    l.linea = !o.linea.empty()    ? in_tabella(o.linea, "another --linea")
              : !in_linea.empty() ? in_linea
                                  : in_tabella(linea_trovata, "--linea NAME");
    l.treno = !o.treno.empty()    ? in_tabella(o.treno, "another --treno")
              : !in_treno.empty() ? in_treno
                                  : in_tabella(treno_trovato, "--treno CODE");
    if (!nome_usabile(l.linea))
        throw errore_ricerca{exit_usage, "the line name '" + windows_1252_to_utf8(l.linea) +
                                             "' cannot name a file; pass --linea NAME"};
    if (!nome_usabile(l.treno))
        throw errore_ricerca{exit_usage, "the train code '" + windows_1252_to_utf8(l.treno) +
                                             "' cannot name a file; pass --treno CODE"};
    return l;
}

void scrivi(const opzioni_decompile& o, const insieme_letto& l, const decompilazione& d,
            std::vector<std::string>& scritti) {
    std::error_code ec;
    std::filesystem::create_directories(path_from_utf8(o.uscita), ec);
    if (ec) throw errore_ricerca{exit_io, "cannot create '" + o.uscita + "': " + ec.message()};
    // File names in UTF-8, as the compile names them.
    const std::string linea = windows_1252_to_utf8(l.linea), treno = windows_1252_to_utf8(l.treno);
    const std::string p_linea = percorso_in(o.uscita, nome_file_linea(linea));
    const std::string p_treno = percorso_in(o.uscita, nome_file_treno(linea, treno));
    for (const std::string& p : {p_linea, p_treno}) {
        for (const std::string& letto : l.percorsi) {
            std::error_code e2;
            if (std::filesystem::equivalent(path_from_utf8(p), path_from_utf8(letto), e2))
                throw errore_ricerca{exit_usage, "the output '" + p + "' is the input '" + letto +
                                                     "'; choose another folder"};
        }
        std::error_code e3;
        if (!o.forza &&
            std::filesystem::exists(std::filesystem::symlink_status(path_from_utf8(p), e3)))
            throw errore_ricerca{exit_exists, "'" + p + "' exists; pass --force to replace it"};
    }
    try {
        sostituisci_file(p_linea, d.testo_linea);
        sostituisci_file(p_treno, d.testo_treno);
    } catch (const file_error& e) {
        throw errore_ricerca{exit_io, "cannot write '" + e.percorso() + "': " + e.motivo()};
    }
    scritti = {p_linea, p_treno};
}

int esegui_decompile(const opzioni_decompile& o) {
    try {
        // Two files cannot go to standard output as one.
        if (o.uscita == "-")
            throw errore_ricerca{exit_usage,
                                 "-o takes a folder for the two description files; '-' "
                                 "(standard output) cannot hold both: give a folder, or './-' "
                                 "for a folder named '-'"};
        const insieme_letto l = leggi_insieme(o);
        const decompilazione d = decompila(l.insieme, l.linea, l.treno);
        std::vector<std::string> scritti;
        scrivi(o, l, d, scritti);
        const esito_confronto e =
            verifica_andata_ritorno(l.insieme, d.testo_linea, d.testo_treno, l.linea, l.treno);
        const bool senza_curve = !l.insieme.piano.has_value();
        if (o.json) {
            nlohmann::json j;
            j["line"] = windows_1252_to_utf8(l.linea);
            j["train"] = windows_1252_to_utf8(l.treno);
            j["written"] = scritti;
            j["plan"] = !senza_curve;
            j["identical"] = e.identico;
            j["differences_total"] = e.differenze_totali;
            j["differences"] = nlohmann::json::array();
            for (const differenza& x : e.differenze)
                j["differences"].push_back({{"file", x.file},
                                            {"where", windows_1252_to_utf8(x.dove)},
                                            {"expected", windows_1252_to_utf8(x.atteso)},
                                            {"got", windows_1252_to_utf8(x.ottenuto)}});
            j["not_reproducible"] = nlohmann::json::array();
            for (const std::string& n : d.non_riproducibili)
                j["not_reproducible"].push_back(windows_1252_to_utf8(n));
            std::printf("%s\n",
                        j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        } else {
            for (const std::string& s : scritti) std::printf("wrote %s\n", s.c_str());
            if (senza_curve)
                std::printf("no plan: the curves are left out; the table and cells are compared\n");
            for (const std::string& n : d.non_riproducibili)
                std::printf("cannot be reproduced: %s\n", windows_1252_to_utf8(n).c_str());
            if (e.identico) {
                std::printf("round trip: identical\n");
            } else {
                std::printf(
                    "round trip: %s\n",
                    plurale(static_cast<int64_t>(e.differenze_totali), "difference").c_str());
                for (const differenza& x : e.differenze)
                    std::printf("  %s: %s: expected %s, got %s\n", x.file.c_str(),
                                windows_1252_to_utf8(x.dove).c_str(),
                                windows_1252_to_utf8(x.atteso).c_str(),
                                windows_1252_to_utf8(x.ottenuto).c_str());
                if (e.differenze.size() < e.differenze_totali)
                    std::printf("  (%zu more not listed)\n",
                                e.differenze_totali - e.differenze.size());
            }
        }
        return e.identico ? exit_ok : exit_faults;
    } catch (const errore_ricerca& e) {
        std::fprintf(stderr, "binario decompile: %s\n", e.messaggio.c_str());
        return e.stato;
    }
}

}  // namespace

void registra_decompile(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_decompile>();
    CLI::App* cmd = app.add_subcommand(
        "decompile",
        "Write the line and train description files of a compiled set, then check that they "
        "compile to the same bytes.");
    cmd->add_option("INPUT", o->ingressi,
                    "A folder holding the compiled set (found as render --compiled finds it), or "
                    "the three files PLAN TABLE CELLS (only TABLE CELLS with --no-plan); they are "
                    "only read")
        ->required();
    cmd->add_option("-o,--output", o->uscita,
                    "Folder for NAME_linea.txt and NAME_CODE-.txt (created if missing)")
        ->required();
    cmd->add_option("--linea", o->linea,
                    "Line name; by default the one the table holds (it enters the codes)");
    cmd->add_option("--treno", o->treno,
                    "Train code; by default the one the table holds (it enters the codes)");
    cmd->add_flag("--force", o->forza, "Replace description files already in the folder");
    cmd->add_flag("--no-plan", o->senza_piano,
                  "Read no plan file: the curves are left out, and the table and cells are "
                  "compared");
    cmd->add_flag("--json", o->json, "Report as JSON on standard output");
    cmd->footer(
        "What the compile computes itself (placed code marks, station and approach marks,\n"
        "stamps and codes) comes back by compiling. Where several records give the same\n"
        "bytes, one of them is written.\n"
        "Exit status: 0 round trip identical; 1 the recovered files compile to other bytes\n"
        "(each difference named); 64 usage; 65 a damaged or foreign compiled file; 73 an\n"
        "output file exists and --force was not given (nothing written); 74 a file cannot\n"
        "be read or written.\n"
        "Example: binario decompile out -o recovered");
    cmd->callback(
        [o, &azioni] { azioni.push_back([o]() -> int { return esegui_decompile(*o); }); });
}

}  // namespace binario
