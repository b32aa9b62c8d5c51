#include "cli/compiled_set.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/app.h"
#include "common/file_names.h"
#include "common/file_replace.h"
#include "formats/compiled_limits.h"
#include "platform/utf8_paths.h"

namespace binario {

namespace {

bool finisce_con(const std::string& s, const std::string& coda) {
    return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}

// The scenarios of a folder: every NAME_CODE.sim beside NAME_CODE.dat and NAME_linea.dat.
std::vector<scenario_trovato> cerca_scenari(const std::string& cartella,
                                            std::vector<std::string>& nomi) {
    std::error_code ec;
    std::filesystem::directory_iterator it(path_from_utf8(cartella), ec);
    if (ec) throw errore_ricerca{exit_io, "cannot list '" + cartella + "': " + ec.message()};
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        nomi.push_back(path_to_utf8(it->path().filename()));
    }
    if (ec) throw errore_ricerca{exit_io, "cannot list '" + cartella + "': " + ec.message()};
    std::sort(nomi.begin(), nomi.end());
    auto presente = [&](const std::string& n) {
        return std::binary_search(nomi.begin(), nomi.end(), n);
    };
    std::vector<scenario_trovato> trovati;
    const std::string coda_piano = "_linea.dat";
    for (const std::string& piano : nomi) {
        if (!finisce_con(piano, coda_piano) || piano.size() == coda_piano.size()) continue;
        const std::string linea = piano.substr(0, piano.size() - coda_piano.size());
        for (const std::string& sim : nomi) {
            const std::string testa = linea + "_";
            if (sim.size() <= testa.size() + 4 || sim.compare(0, testa.size(), testa) != 0 ||
                !finisce_con(sim, ".sim"))
                continue;
            const std::string treno = sim.substr(testa.size(), sim.size() - testa.size() - 4);
            if (presente(nome_file_celle(linea, treno))) trovati.push_back({linea, treno});
        }
    }
    return trovati;
}

std::string elenco_nomi(const std::vector<std::string>& nomi) {
    std::string t;
    for (const std::string& n : nomi) {
        if (!finisce_con(n, ".sim") && !finisce_con(n, ".dat")) continue;
        t += t.empty() ? "" : ", ";
        t += "'" + n + "'";
    }
    return t.empty() ? "no .sim or .dat file" : t;
}

}  // namespace

scenario_trovato scegli_scenario(const std::string& cartella, const std::string& linea,
                                 const std::string& treno) {
    if (!linea.empty() && !treno.empty()) return {linea, treno};
    std::vector<std::string> nomi;
    std::vector<scenario_trovato> trovati;
    for (const scenario_trovato& s : cerca_scenari(cartella, nomi))
        if ((linea.empty() || s.linea == linea) && (treno.empty() || s.treno == treno))
            trovati.push_back(s);
    if (trovati.size() == 1) return trovati.front();
    if (trovati.empty())
        throw errore_ricerca{
            exit_usage,
            "no compiled scenario" +
                std::string(linea.empty() && treno.empty() ? "" : " of that name") + " in '" +
                cartella +
                "': expected NAME_CODE.sim with NAME_CODE.dat and NAME_linea.dat beside it "
                "(without its plan file, name it with --linea and --treno); found " +
                elenco_nomi(nomi)};
    std::string elenco;
    for (const scenario_trovato& s : trovati)
        elenco += "\n  --linea '" + s.linea + "' --treno '" + s.treno + "'";
    throw errore_ricerca{exit_usage, std::to_string(trovati.size()) + " compiled scenarios in '" +
                                         cartella +
                                         "'; choose one with --linea and --treno:" + elenco};
}

std::optional<std::string> leggi_file_compilato(const std::string& percorso, const char* tipo,
                                                bool facoltativo) {
    try {
        return leggi_file(percorso, byte_massimi_compilato(tipo));
    } catch (const file_troppo_grande&) {
        throw errore_ricerca{exit_bad_data, "'" + percorso + "': larger than any " + tipo +
                                                " file the compiler writes (" +
                                                std::to_string(byte_massimi_compilato(tipo)) +
                                                " bytes at most)"};
    } catch (const file_error& e) {
        std::error_code ec;
        if (facoltativo && !std::filesystem::exists(path_from_utf8(percorso), ec) && !ec)
            return std::nullopt;
        throw errore_ricerca{exit_io, "cannot read '" + percorso + "': " + e.motivo()};
    }
}

}  // namespace binario
