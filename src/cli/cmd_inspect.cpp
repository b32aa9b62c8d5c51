// binario inspect: shows what a compiled file holds, for people (a listing) or
// for programs (--json). The file is only read.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "cli/app.h"
#include "cli/commands.h"
#include "cli/plural.h"
#include "common/file_replace.h"
#include "common/set_journal.h"
#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "formats/compiled_limits.h"
#include "formats/compiled_reader.h"
#include "formats/compiled_records.h"
#include "formats/plan_shape.h"
#include "platform/utf8_paths.h"

namespace binario {

namespace {

struct opzioni_inspect {
    std::string file;
    std::string tipo;  // "plan", "table", "cells"; empty: from the file name
    bool json = false;
    int64_t ogni = 0;  // --every: 0 when not given
};

bool finisce_con(std::string_view s, std::string_view fine) {
    if (s.size() < fine.size()) return false;
    return std::equal(fine.begin(), fine.end(), s.end() - static_cast<std::ptrdiff_t>(fine.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

// The kind of a compiled file from the names the compiler gives them: the plan
// file ends in "_linea.dat", the table file in ".sim", the cell file in ".dat".
std::optional<std::string> tipo_da_nome(std::string_view percorso) {
    if (finisce_con(percorso, "_linea.dat")) return "plan";
    if (finisce_con(percorso, ".sim")) return "table";
    if (finisce_con(percorso, ".dat")) return "cells";
    return std::nullopt;
}

// --- Formatting helpers ----------------------------------------------------

__attribute__((format(printf, 2, 3))) void aggiungi_formato(std::string& out, const char* formato,
                                                            ...) {
    char buffer[256];
    va_list argomenti;
    va_start(argomenti, formato);
    const int n = std::vsnprintf(buffer, sizeof buffer, formato, argomenti);
    va_end(argomenti);
    if (n > 0) out.append(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

// The shortest text that reads back as the same double.
std::string numero(double v) {
    char buffer[64];
    auto [fine, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc()) return "?";
    return std::string(buffer, fine);
}

// Seconds of the day as h:mm:ss.
std::string orario(int64_t secondi) {
    if (secondi < 0) return std::to_string(secondi) + " s";
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%" PRId64 ":%02" PRId64 ":%02" PRId64, secondi / 3600,
                  secondi % 3600 / 60, secondi % 60);
    return buffer;
}

std::string tra_virgolette(const std::string& testo) {
    return "\"" + windows_1252_to_utf8(testo) + "\"";
}

// --- Table -----------------------------------------------------------------

struct campo_voce {
    const char* nome;
    int64_t valore;
};

std::vector<campo_voce> campi_numerici(const voce& v) {
    std::vector<campo_voce> campi;
    campi_numerici_voce(v, [&](const char* nome, auto valore) { campi.push_back({nome, valore}); });
    return campi;
}

bool numeri_a_zero(const voce& v) {
    for (const campo_voce& c : campi_numerici(v))
        if (c.valore != 0) return false;
    return true;
}

// The fields of a row that its meaning does not cover, when they hold anything.
std::string altri_campi(const voce& v, std::initializer_list<std::string_view> mostrati,
                        bool testo_mostrato) {
    std::string out;
    auto aggiungi = [&](const std::string& pezzo) {
        out += out.empty() ? "; other fields: " : ", ";
        out += pezzo;
    };
    if (!testo_mostrato && !v.testo.empty()) aggiungi("testo " + tra_virgolette(v.testo));
    for (const campo_voce& c : campi_numerici(v)) {
        if (c.valore == 0) continue;
        if (std::find(mostrati.begin(), mostrati.end(), c.nome) != mostrati.end()) continue;
        aggiungi(std::string(c.nome) + " " + std::to_string(c.valore));
    }
    return out;
}

std::string descrivi_voce(size_t r, const voce& v, bool cartello) {
    std::string riga = "row " + std::to_string(r) + ": ";
    if (r == 0) return riga + "unused" + altri_campi(v, {}, false);
    if (cartello) return riga + "direction board " + tra_virgolette(v.testo);
    if (r >= riga_progressiva_tre && r <= riga_progressiva_uno) {
        static constexpr const char* nomi[] = {"tre", "due", "uno"};
        return riga + "kilometre-post reference \"" + nomi[r - riga_progressiva_tre] +
               "\": valore1 " + std::to_string(v.valore1) + ", valore2 " +
               std::to_string(v.valore2) + ", valore3 " + std::to_string(v.valore3) +
               altri_campi(v, {"valore1", "valore2", "valore3"}, false);
    }
    if (r == riga_valori_generali)
        return riga + "braked mass " + std::to_string(v.valore1) + " % (valore1), line length " +
               std::to_string(v.valore2) + " m (valore2), cars " + std::to_string(v.valore3) +
               " (valore3)" + altri_campi(v, {"valore1", "valore2", "valore3"}, false);
    if (r == riga_linea)
        return riga + "line " + tra_virgolette(v.testo) + " (testo): scenery " +
               std::to_string(v.valore1) + ", " + std::to_string(v.valore2) + ", " +
               std::to_string(v.valore3) + " (valore1 uno, valore2 tre, valore3 due), stamp " +
               std::to_string(v.intero1) + " (intero1), competition code " +
               std::to_string(v.codice) + " (codice)" +
               altri_campi(v, {"valore1", "valore2", "valore3", "intero1", "codice"}, true);
    if (r == riga_treno) {
        char orologio[48];
        std::snprintf(orologio, sizeof orologio, "%d:%02d:%02d", v.intero3, v.intero4, v.intero5);
        return riga + "train " + tra_virgolette(v.testo) + " (testo): signal repetition " +
               std::to_string(v.valore1) + " m, " + std::to_string(v.valore2) +
               " m (valore1, valore2), codes " + std::to_string(v.valore3) + " (valore3), sand " +
               std::to_string(v.intero1) + " (intero1), clock " + orologio +
               " (intero3:intero4:intero5)" +
               altri_campi(
                   v, {"valore1", "valore2", "valore3", "intero1", "intero3", "intero4", "intero5"},
                   true);
    }
    return riga + "station " + tra_virgolette(v.testo) + ": chainage " + std::to_string(v.valore3) +
           " m (valore3), platform " + std::to_string(v.valore1) + " to " +
           std::to_string(v.valore2) + " m (valore1, valore2), type " + std::to_string(v.genere) +
           " (genere), stop " + std::to_string(v.ottetto2) + " s (ottetto2), departure " +
           orario(v.codice) + " (codice " + std::to_string(v.codice) + ")" +
           altri_campi(v, {"valore1", "valore2", "valore3", "genere", "ottetto2", "codice"}, true);
}

std::string testo_tabella(const std::string& nome, const tabella_compilata& t) {
    // Direction-board texts fill rows from 80 downward and hold nothing but
    // their text; station rows grow from 1 upward below them.
    size_t primo_cartello = riga_primo_cartello + 1;
    while (primo_cartello > 1) {
        const voce& v = t[primo_cartello - 1];
        if (v.testo.empty() || !numeri_a_zero(v)) break;
        --primo_cartello;
    }
    size_t in_uso = 0;
    for (const voce& v : t) in_uso += voce_vuota(v) ? 0 : 1;

    std::string out = "table file '" + nome + "': " + std::to_string(t.size()) + " rows, " +
                      std::to_string(in_uso) + " in use\n";
    for (size_t r = 0; r < t.size(); ++r) {
        if (voce_vuota(t[r])) continue;
        out += descrivi_voce(r, t[r], r >= primo_cartello && r <= riga_primo_cartello);
        out += '\n';
    }
    return out;
}

nlohmann::json json_tabella(const tabella_compilata& t) {
    nlohmann::json righe = nlohmann::json::array();
    for (const voce& v : t) {
        nlohmann::json riga = nlohmann::json::object();
        campi_voce(v, [&](const char* nome, const auto& valore) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(valore)>, std::string>)
                riga[nome] = windows_1252_to_utf8(valore);
            else
                riga[nome] = valore;
        });
        righe.push_back(std::move(riga));
    }
    return righe;
}

// --- Cells -----------------------------------------------------------------

std::string nome_evento(uint8_t evento) {
    const char* nome = nome_evento_cella(evento);
    return nome != nullptr ? nome : "event " + std::to_string(evento);
}

bool ha_evento(const cella& c) {
    return c.evento != 0 || c.dato1 != 0 || c.dato2 != 0 || c.dato3 != 0 || c.dato4 != 0 ||
           c.tempo != 0 || c.marca != 0 || c.galleria != 0;
}

bool stesso_profilo(const cella& a, const cella& b) {
    return a.velocita == b.velocita && a.pendenza == b.pendenza && a.aderenza == b.aderenza;
}

std::string testo_celle(const std::string& nome, const std::vector<cella>& celle) {
    const size_t ultima = celle.size() - 1;
    std::string out = "cell file '" + nome +
                      "': " + plurale(static_cast<int64_t>(celle.size()), "cell") + " (0 to " +
                      std::to_string(ultima) + "), 50 m each\n";
    out +=
        "cells with an event field set, and cells where the profile changes; chainage: where "
        "the cell's events stand, (cell - 1) x 50 m (its profile holds from cell x 50 m); "
        "speed in km/h (velocita x 5), gradient in per mille (pendenza - 100), adhesion in % "
        "(aderenza)\n";
    aggiungi_formato(out, "%7s %10s  %-23s %6s %6s %6s %6s %5s %5s %8s %5s %8s %8s\n", "cell",
                     "chainage", "event", "dato1", "dato2", "dato3", "dato4", "tempo", "marca",
                     "galleria", "speed", "gradient", "adhesion");
    for (size_t i = 0; i < celle.size(); ++i) {
        const cella& c = celle[i];
        const bool profilo_nuovo = i == 0 ? (c.velocita != 0 || c.pendenza != 0 || c.aderenza != 0)
                                          : !stesso_profilo(c, celle[i - 1]);
        if (!ha_evento(c) && !profilo_nuovo) continue;
        const std::string progressiva =
            std::to_string(progressiva_evento(static_cast<int64_t>(i))) + " m";
        aggiungi_formato(out, "%7zu %10s  %-23s %6d %6d %6d %6d %5d %5d %8d %5d %+8d %8d\n", i,
                         progressiva.c_str(), nome_evento(c.evento).c_str(), c.dato1, c.dato2,
                         c.dato3, c.dato4, c.tempo, c.marca, c.galleria, c.velocita * 5,
                         c.pendenza - 100, c.aderenza);
    }
    return out;
}

nlohmann::json json_celle(const std::vector<cella>& celle) {
    nlohmann::json elenco = nlohmann::json::array();
    for (const cella& c : celle) {
        nlohmann::json campi = nlohmann::json::object();
        campi_cella(c, [&](const char* nome, auto valore) { campi[nome] = valore; });
        elenco.push_back(std::move(campi));
    }
    return elenco;
}

// --- Plan ------------------------------------------------------------------

std::string testo_elemento(const planimetria_metrica& p, int32_t metro, int c) {
    switch (p.tipo(metro, c)) {
        case tipo_valore::vuoto:
            return "-";
        case tipo_valore::intero:
            return std::to_string(static_cast<int32_t>(p.valore(metro, c)));
        case tipo_valore::reale:
            return numero(p.valore(metro, c));
    }
    return "?";
}

nlohmann::json json_elemento(const planimetria_metrica& p, int32_t metro, int c) {
    switch (p.tipo(metro, c)) {
        case tipo_valore::vuoto:
            return nullptr;
        case tipo_valore::intero:
            return static_cast<int32_t>(p.valore(metro, c));
        case tipo_valore::reale:
            return p.valore(metro, c);
    }
    return nullptr;
}

// Calls f(metro) for metres 0, ogni, 2 ogni, ... up to the last one.
template <typename F>
void ogni_metro(const planimetria_metrica& p, int64_t ogni, F f) {
    const int64_t ultimo = p.ultimo_metro;
    for (int64_t m = 0;; m += ogni) {
        f(static_cast<int32_t>(m));
        if (ultimo - m < ogni) break;
    }
}

std::string testo_piano(const std::string& nome, const planimetria_metrica& p, int64_t ogni) {
    const riassunto_piano r = riassumi_piano(p);
    std::string out = "plan file '" + nome + "': " + plurale(r.metri, "point") +
                      " per column (metres 0 to " + std::to_string(p.ultimo_metro) + ")\n";
    out += "elements: " + std::to_string(2 * r.metri) + " (" + std::to_string(r.interi) +
           " int16, " + std::to_string(r.reali) + " double, " + std::to_string(r.vuoti) +
           " empty)\n";
    if (r.non_finiti > 0)
        out += "non-finite doubles: " + std::to_string(r.non_finiti) + " (left out below)\n";
    auto estensione = [](const std::optional<double>& lo, const std::optional<double>& hi) {
        return lo ? "from " + numero(*lo) + " to " + numero(*hi) + " m" : std::string("none");
    };
    out +=
        "extent: x " + estensione(r.x_min, r.x_max) + ", y " + estensione(r.y_min, r.y_max) + "\n";
    char svolta[128];
    std::snprintf(svolta, sizeof svolta,
                  "turning: net %+.6f rad (to the right positive), total %.6f rad\n",
                  r.svolta_netta, r.svolta_totale);
    out += svolta;
    if (ogni > 0) {
        aggiungi_formato(out, "%10s %24s %24s\n", "metre", "x", "y");
        ogni_metro(p, ogni, [&](int32_t m) {
            aggiungi_formato(out, "%10d %24s %24s\n", m, testo_elemento(p, m, 0).c_str(),
                             testo_elemento(p, m, 1).c_str());
        });
    }
    return out;
}

nlohmann::json json_piano(const planimetria_metrica& p, int64_t ogni) {
    const riassunto_piano r = riassumi_piano(p);
    auto facoltativo = [](const std::optional<double>& v) -> nlohmann::json {
        return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
    };
    nlohmann::json j = {
        {"points_per_column", r.metri},
        {"last_metre", p.ultimo_metro},
        {"elements",
         {{"total", 2 * r.metri},
          {"empty", r.vuoti},
          {"int16", r.interi},
          {"double", r.reali},
          {"non_finite", r.non_finiti}}},
        {"extent",
         {{"x_min", facoltativo(r.x_min)},
          {"x_max", facoltativo(r.x_max)},
          {"y_min", facoltativo(r.y_min)},
          {"y_max", facoltativo(r.y_max)}}},
        {"turning", {{"net", r.svolta_netta}, {"total", r.svolta_totale}}},
    };
    if (ogni > 0) {
        j["every"] = ogni;
        nlohmann::json punti = nlohmann::json::array();
        ogni_metro(p, ogni, [&](int32_t m) {
            punti.push_back(
                {{"metre", m}, {"x", json_elemento(p, m, 0)}, {"y", json_elemento(p, m, 1)}});
        });
        j["points"] = std::move(punti);
    }
    return j;
}

// --- The command -------------------------------------------------------------

void scrivi_stdout(const std::string& testo) {
    std::fwrite(testo.data(), 1, testo.size(), stdout);
}

int rifiuta_file(const opzioni_inspect& o, const std::string& tipo, const errore_decodifica& e) {
    std::fprintf(stderr, "%s: malformed %s file at byte %zu: %s\n", o.file.c_str(), tipo.c_str(),
                 e.offset, e.motivo.c_str());
    return exit_bad_data;
}

int esegui_inspect(const opzioni_inspect& o) {
    std::string tipo = o.tipo;
    if (tipo.empty()) {
        std::optional<std::string> dal_nome = tipo_da_nome(o.file);
        if (!dal_nome) {
            std::fprintf(stderr,
                         "binario inspect: cannot tell the kind of '%s' from its name (expected "
                         "'_linea.dat', '.sim' or '.dat'); pass --kind plan|table|cells\n",
                         o.file.c_str());
            return exit_usage;
        }
        tipo = *dal_nome;
    }
    if (o.ogni > 0 && tipo != "plan") {
        std::fprintf(stderr, "binario inspect: --every applies to plan files only\n");
        return exit_usage;
    }

    // A file in a folder whose set a killed writer left half-replaced: said, as the
    // file may belong to either set.
    {
        const auto barra = last_separator(o.file);
        const std::string cartella = barra == std::string::npos ? "."
                                     : barra == 0               ? "/"
                                                                : o.file.substr(0, barra);
        if (giornale_presente(cartella))
            std::fprintf(stderr,
                         "binario inspect: the compiled files in '%s' do not form one set: a "
                         "write into it was cut short; run 'binario recover %s' to put the "
                         "earlier set back\n",
                         cartella.c_str(), cartella.c_str());
    }
    std::string dati;
    try {
        dati = leggi_file(o.file, byte_massimi_compilato(tipo));
    } catch (const file_troppo_grande&) {
        std::fprintf(stderr,
                     "%s: larger than any %s file the compiler writes (%llu bytes at most)\n",
                     o.file.c_str(), tipo.c_str(),
                     static_cast<unsigned long long>(byte_massimi_compilato(tipo)));
        return exit_bad_data;
    } catch (const file_error& e) {
        std::fprintf(stderr, "binario inspect: cannot read '%s': %s\n", o.file.c_str(),
                     e.motivo().c_str());
        return exit_io;
    }

    nlohmann::json j;
    std::string testo;
    if (tipo == "table") {
        auto esito = decodifica_tabella(dati);
        if (!esito.valido()) return rifiuta_file(o, tipo, *esito.errore);
        if (o.json)
            j = {{"rows", json_tabella(esito.dati)}};
        else
            testo = testo_tabella(o.file, esito.dati);
    } else if (tipo == "cells") {
        auto esito = decodifica_celle(dati);
        if (!esito.valido()) return rifiuta_file(o, tipo, *esito.errore);
        if (o.json)
            j = {{"cells", json_celle(esito.dati)}};
        else
            testo = testo_celle(o.file, esito.dati);
    } else {
        auto esito = decodifica_piano(dati);
        if (!esito.valido()) return rifiuta_file(o, tipo, *esito.errore);
        if (const auto forma = controlla_forma_piano(esito.dati))
            return rifiuta_file(o, tipo, *forma);
        if (o.json)
            j = json_piano(esito.dati, o.ogni);
        else
            testo = testo_piano(o.file, esito.dati, o.ogni);
    }

    if (o.json) {
        j["kind"] = tipo;
        j["file"] = o.file;
        // The file name comes from the command line and may not be UTF-8.
        testo = j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
        testo += '\n';
    }
    scrivi_stdout(testo);
    return exit_ok;
}

}  // namespace

void registra_inspect(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_inspect>();
    CLI::App* cmd = app.add_subcommand(
        "inspect", "Show the content of a compiled file: the plan, the table or the cell file.");
    cmd->add_option("FILE", o->file, "Compiled file to read (it is never changed)")->required();
    cmd->add_option("--kind", o->tipo,
                    "Kind of file; by default from its name: '_linea.dat' plan, '.sim' table, "
                    "other '.dat' cells")
        ->check(CLI::IsMember({"plan", "table", "cells"}));
    cmd->add_flag("--json", o->json,
                  "One JSON object with the decoded content instead of the listing; texts are "
                  "converted from Windows-1252 to UTF-8");
    cmd->add_option("--every", o->ogni, "Plan files: also list the points every N metres")
        ->check(CLI::PositiveNumber);
    cmd->footer(
        "Example: binario inspect \"out/Lavena_Torre Alta_A 1.dat\"\n"
        "  lists the cells that hold an event field; cells that hold only the profile (speed,\n"
        "  gradient, adhesion) are listed only where the profile changes from the cell before.\n"
        "Example: binario inspect \"out/Lavena_Torre Alta_linea.dat\" --every 1000 --json\n"
        "Exit status: 0 shown; 64 bad command line, or a kind that cannot be told from the\n"
        "name; 65 a damaged or foreign compiled file, or one larger than the compiler writes;\n"
        "74 the file cannot be read.");
    cmd->callback([o, &azioni] { azioni.push_back([o]() -> int { return esegui_inspect(*o); }); });
}

}  // namespace binario
