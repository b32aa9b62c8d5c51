#include <cstdint>
#include <string>

#include "common/text_file_writer.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "decompile/decompiler.h"
#include "decompile/round_trip.h"
#include "formats/compiled_files.h"
#include "formats/compiled_reader.h"
#include "fuzz/fuzz_entries.h"
#include "random_scenario.h"

namespace binario::fuzz {

namespace {

// The differences of a round trip, for a failure message.
std::string elenco(const esito_confronto& e) {
    std::string t;
    for (const differenza& x : e.differenze)
        t += "; " + x.file + " " + x.dove + ": " + x.atteso + " / " + x.ottenuto;
    return t.substr(0, 2000);
}

// The three files of the built-in scenario, compiled once.
struct insieme_byte {
    std::string piano, tabella, celle;
};
const insieme_byte& insieme_di_base() {
    static const insieme_byte b = [] {
        const modello m = compila_testi(componi_righe(righe_linea()), componi_righe(righe_treno()),
                                        "Lavena_Torre Alta", "A 1", 1);
        return insieme_byte{serializza_piano(m), serializza_tabella(m), serializza_celle(m)};
    }();
    return b;
}

}  // namespace

std::string prova_decompilazione_casuale(std::string_view dati) {
    size_t pos = 0;
    // Once the input is used up, the choices go on from a generator seeded by the
    // input's length: the same value for every choice would keep the scenario
    // generator drawing for ever where it retries a choice that does not fit.
    uint64_t seme = 0x9E3779B97F4A7C15ull ^ dati.size();
    const scenario_generato g = scenario_casuale([&](int64_t lo, int64_t hi) {
        uint64_t v = 0;
        if (pos < dati.size()) {
            for (int i = 0; i < 2 && pos < dati.size(); ++i)
                v = v << 8 | static_cast<uint8_t>(dati[pos++]);
        } else {
            seme ^= seme << 13;
            seme ^= seme >> 7;
            seme ^= seme << 17;
            v = seme;
        }
        return lo + static_cast<int64_t>(v % static_cast<uint64_t>(hi - lo + 1));
    });
    if (!scenario_valido(g)) return {};
    const modello m = compila_testi(g.testo_linea, g.testo_treno, g.linea, g.treno, 1);
    insieme_compilato s;
    s.tabella = m.tabella;
    s.celle = m.celle;
    s.piano = m.planimetria;
    const decompilazione d = decompila(s, g.linea, g.treno);
    const esito_confronto e =
        verifica_andata_ritorno(s, d.testo_linea, d.testo_treno, g.linea, g.treno);
    if (!e.identico) return "a valid scenario does not come back" + elenco(e);
    return {};
}

std::string prova_decompilazione_file(std::string_view dati) {
    const insieme_byte& base = insieme_di_base();
    for (int quale = 0; quale < 3; ++quale) {
        insieme_byte b = base;
        (quale == 0 ? b.tabella : quale == 1 ? b.celle : b.piano) = std::string(dati);
        auto t = decodifica_tabella(b.tabella);
        auto c = decodifica_celle(b.celle);
        auto p = decodifica_piano(b.piano);
        if (!t.valido() || !c.valido() || !p.valido()) continue;
        insieme_compilato s{t.dati, c.dati, p.dati};
        const std::string linea = "Lavena_Torre Alta", treno = "A 1";
        const decompilazione d = decompila(s, linea, treno);
        const esito_confronto e =
            verifica_andata_ritorno(s, d.testo_linea, d.testo_treno, linea, treno);
        if (e.identico != (e.differenze_totali == 0)) return "a round trip both identical and not";
        if (e.identico) {
            const modello m = compila_testi(d.testo_linea, d.testo_treno, linea, treno, 1);
            if (serializza_tabella(m) != b.tabella || serializza_celle(m) != b.celle ||
                serializza_piano(m) != b.piano)
                return "a round trip called identical whose bytes differ";
        }
    }
    return {};
}

}  // namespace binario::fuzz
