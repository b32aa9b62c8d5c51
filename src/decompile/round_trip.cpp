#include "decompile/round_trip.h"

#include <bit>
#include <cstring>
#include <optional>

#include "common/file_names.h"
#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "formats/compiled_files.h"
#include "formats/compiled_records.h"
#include "service/compile_service.h"

namespace binario {

modello compila_testi(const std::string& testo_linea, const std::string& testo_treno,
                      const std::string& linea, const std::string& treno, int32_t j) {
    // Through the compile service, as every command compiles; it takes the names in
    // UTF-8 and puts them into the table in Windows-1252 again.
    compile_request r;
    r.line_file = {"", nome_file_linea(linea), testo_linea};
    r.train_file = {"", nome_file_treno(linea, treno), testo_treno};
    r.line_name = windows_1252_to_utf8(linea);
    r.train_code = windows_1252_to_utf8(treno);
    r.build_plan = j != 0;
    compile_result esito = compile_scenario(r);
    if (esito.fault) {
        modello m;
        registra_errore(m, errore_caricamento, std::nullopt,
                        "the compile refused the request: " + esito.fault->message);
        return m;
    }
    return std::move(esito.model);
}

namespace {

struct raccolta {
    esito_confronto& e;
    size_t per_file = 0;
    void aggiungi(std::string file, std::string dove, std::string atteso, std::string ottenuto) {
        ++e.differenze_totali;
        if (per_file++ < limite_differenze)
            e.differenze.push_back(
                {std::move(file), std::move(dove), std::move(atteso), std::move(ottenuto)});
    }
};

template <class T>
std::string valore_di(const T& v) {
    if constexpr (std::is_same_v<T, std::string>)
        return "\"" + v + "\"";
    else
        return std::to_string(+v);
}

void confronta_celle(const std::vector<cella>& a, const std::vector<cella>& b, esito_confronto& e) {
    raccolta r{e};
    if (a.size() != b.size())
        r.aggiungi("cells", "count", std::to_string(a.size()), std::to_string(b.size()));
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i].evento == b[i].evento && a[i].dato1 == b[i].dato1 && a[i].dato2 == b[i].dato2 &&
            a[i].dato3 == b[i].dato3 && a[i].dato4 == b[i].dato4 && a[i].tempo == b[i].tempo &&
            a[i].marca == b[i].marca && a[i].galleria == b[i].galleria &&
            a[i].velocita == b[i].velocita && a[i].pendenza == b[i].pendenza &&
            a[i].aderenza == b[i].aderenza)
            continue;
        cella ca = a[i];
        std::vector<std::pair<std::string, std::string>> attesi;
        campi_cella(ca, [&](const char* nome, auto& campo) {
            attesi.emplace_back(nome, valore_di(campo));
        });
        cella cb = b[i];
        size_t k = 0;
        campi_cella(cb, [&](const char* nome, auto& campo) {
            const std::string v = valore_di(campo);
            if (v != attesi[k].second)
                r.aggiungi("cells",
                           "cell " + std::to_string(i) + " (chainage " +
                               std::to_string(inizio_cella(static_cast<int64_t>(i))) + ") " + nome,
                           attesi[k].second, v);
            ++k;
        });
    }
}

void confronta_tabella(const tabella_compilata& a, const std::array<voce, numero_voci>& b,
                       esito_confronto& e) {
    raccolta r{e};
    for (size_t i = 0; i < a.size(); ++i) {
        voce va = a[i];
        std::vector<std::string> attesi;
        campi_voce(va, [&](const char*, auto& campo) { attesi.push_back(valore_di(campo)); });
        voce vb = b[i];
        size_t k = 0;
        campi_voce(vb, [&](const char* nome, auto& campo) {
            const std::string v = valore_di(campo);
            if (v != attesi[k])
                r.aggiungi("table", "row " + std::to_string(i) + " " + nome, attesi[k], v);
            ++k;
        });
    }
}

std::string elemento(const planimetria_metrica& p, int32_t m, int c) {
    if (!p.contiene(m)) return "none";
    switch (p.tipo(m, c)) {
        case tipo_valore::vuoto:
            return "empty";
        case tipo_valore::intero:
            return "int " + std::to_string(static_cast<int>(p.valore(m, c)));
        case tipo_valore::reale: {
            char b[64];
            std::snprintf(b, sizeof b, "%.17g", p.valore(m, c));
            return b;
        }
    }
    return "?";
}

bool stesso_elemento(const planimetria_metrica& a, const planimetria_metrica& b, int32_t m, int c) {
    if (!a.contiene(m) || !b.contiene(m)) return a.contiene(m) == b.contiene(m);
    return a.tipo(m, c) == b.tipo(m, c) &&
           std::bit_cast<uint64_t>(a.valore(m, c)) == std::bit_cast<uint64_t>(b.valore(m, c));
}

// Differing metres as ranges, each with its first differing point.
void confronta_piano(const planimetria_metrica& a, const planimetria_metrica& b,
                     esito_confronto& e) {
    raccolta r{e};
    if (a.ultimo_metro != b.ultimo_metro)
        r.aggiungi("plan", "last metre", std::to_string(a.ultimo_metro),
                   std::to_string(b.ultimo_metro));
    const int32_t fine = std::max(a.ultimo_metro, b.ultimo_metro);
    for (int32_t m = 0; m <= fine;) {
        if (stesso_elemento(a, b, m, 0) && stesso_elemento(a, b, m, 1)) {
            ++m;
            continue;
        }
        const int32_t da = m;
        while (m <= fine && !(stesso_elemento(a, b, m, 0) && stesso_elemento(a, b, m, 1))) ++m;
        r.aggiungi(
            "plan",
            "metres " + std::to_string(da) + " to " + std::to_string(m - 1) + ", first (x, y)",
            "(" + elemento(a, da, 0) + ", " + elemento(a, da, 1) + ")",
            "(" + elemento(b, da, 0) + ", " + elemento(b, da, 1) + ")");
    }
}

}  // namespace

esito_confronto verifica_andata_ritorno(const insieme_compilato& s, const std::string& testo_linea,
                                        const std::string& testo_treno, const std::string& linea,
                                        const std::string& treno) {
    esito_confronto e;
    const modello m = compila_testi(testo_linea, testo_treno, linea, treno, s.piano ? 1 : 0);
    raccolta compile{e};
    for (const diagnostica& d : m.diagnostiche)
        if (!d.avviso)
            compile.aggiungi("compile",
                             d.file + (d.riga > 0 ? ":" + std::to_string(d.riga) : std::string()),
                             "no fault", "fault " + std::to_string(d.numero) + ": " + d.messaggio);
    if (m.errore_numero != 0 && m.diagnostiche.empty())
        compile.aggiungi("compile", "error state", "0", std::to_string(m.errore_numero));
    if (s.piano) {
        // A compact plan computes each point again when asked: compared as arrays.
        std::optional<planimetria_metrica> materializzata;
        if (m.planimetria.compatta) materializzata = m.planimetria.materializzata();
        const planimetria_metrica& ottenuto = materializzata ? *materializzata : m.planimetria;
        // A quick byte test first; the decoded comparison only when it fails.
        const planimetria_metrica& atteso = *s.piano;
        bool uguale = ottenuto.ultimo_metro == atteso.ultimo_metro;
        if (uguale && !atteso.compatta && atteso.esiste()) {
            // Both as arrays, empty elements holding 0: equal arrays are equal bytes.
            const size_t n = 2 * atteso.numero_metri();
            uguale = std::memcmp(atteso.tipi.data(), ottenuto.tipi.data(),
                                 n * sizeof(tipo_valore)) == 0 &&
                     std::memcmp(atteso.valori.data(), ottenuto.valori.data(),
                                 n * sizeof(double)) == 0;
        } else {
            for (int32_t k = 0; uguale && k <= ottenuto.ultimo_metro; ++k)
                uguale = stesso_elemento(atteso, ottenuto, k, 0) &&
                         stesso_elemento(atteso, ottenuto, k, 1);
        }
        if (!uguale) confronta_piano(*s.piano, ottenuto, e);
    }
    confronta_tabella(s.tabella, m.tabella, e);
    confronta_celle(s.celle, m.celle, e);
    e.identico = e.differenze_totali == 0;
    return e;
}

}  // namespace binario
