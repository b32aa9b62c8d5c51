#include "compiler/track_plan.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace binario {

void planimetria_metrica::dimensiona(int32_t lunghezza_estesa, bool in_forma_compatta) {
    static_assert(static_cast<int>(tipo_valore::vuoto) == 0, "zeroed tags are empty");
    cancella();
    if (!in_forma_compatta) {
        const size_t elementi = 2 * (static_cast<size_t>(lunghezza_estesa) + 1);
        tipi.azzera(elementi);
        valori.azzera(elementi);
    }
    compatta = in_forma_compatta;
    ultimo_metro = lunghezza_estesa;
}

void planimetria_metrica::cancella() {
    ultimo_metro = -1;
    tipi.clear();
    valori.clear();
    compatta = false;
    seminata = false;
    semi[0][0] = semi[0][1] = semi[1][0] = semi[1][1] = 0;
    reali_fino = 2;
    tratti.clear();
}

void planimetria_metrica::assegna_intero(int32_t metro, int c, int16_t v) {
    if (compatta) {
        if (metro != 0 && metro != 1)
            throw std::logic_error("a compact plan holds integers at metres 0 and 1 only, not " +
                                   std::to_string(metro));
        seminata = true;
        semi[metro][c] = v;
        return;
    }
    tipi[indice(metro, c)] = tipo_valore::intero;
    valori[indice(metro, c)] = v;
}

void planimetria_metrica::assegna_reale(int32_t metro, int c, double v) {
    if (compatta) throw std::logic_error("a compact plan takes its reals as runs of the step rule");
    tipi[indice(metro, c)] = tipo_valore::reale;
    valori[indice(metro, c)] = v;
}

void planimetria_metrica::aggiungi_tratto(const tratto_piano& t) {
    if (!compatta || t.da != reali_fino || t.a <= t.da || t.a > ultimo_metro + 1)
        throw std::logic_error("plan run [" + std::to_string(t.da) + ", " + std::to_string(t.a) +
                               ") does not continue the compact plan");
    tratti.push_back(t);
    reali_fino = t.a;
}

tipo_valore planimetria_metrica::tipo_compatto(int32_t metro, int /*c*/) const {
    if (metro == 0 || metro == 1) return seminata ? tipo_valore::intero : tipo_valore::vuoto;
    if (metro >= 2 && metro < reali_fino) return tipo_valore::reale;
    return tipo_valore::vuoto;
}

double planimetria_metrica::valore_compatto(int32_t metro, int c) const {
    if (metro == 0 || metro == 1) return seminata ? semi[metro][c] : 0.0;
    if (metro < 2 || metro >= reali_fino) return 0.0;
    // The run holding the metre, computed again from its start.
    const auto t = std::upper_bound(tratti.begin(), tratti.end(), metro,
                                    [](int32_t m, const tratto_piano& r) { return m < r.a; });
    if (t == tratti.end()) throw std::logic_error("compact plan without the run of a real");
    ultimi_punti u = t->prima;
    passi_piano(u, t->da, metro + 1, t->c, [](int32_t, double, double) {});
    return c == 0 ? u.x1 : u.y1;
}

planimetria_metrica planimetria_metrica::materializzata() const {
    if (!compatta) return *this;
    planimetria_metrica p;
    p.dimensiona(ultimo_metro);
    if (!esiste()) return p;
    if (seminata)
        for (int32_t metro = 0; metro < 2; ++metro)
            for (int c = 0; c < 2; ++c) p.assegna_intero(metro, c, semi[metro][c]);
    double* x = p.valori.data() + p.indice(0, 0);
    double* y = p.valori.data() + p.indice(0, 1);
    for (const tratto_piano& t : tratti) {
        ultimi_punti u = t.prima;
        passi_piano(u, t.da, t.a, t.c, [x, y](int32_t m, double vx, double vy) {
            x[m] = vx;
            y[m] = vy;
        });
    }
    tipo_valore* tipi_p = p.tipi.data();
    std::fill(tipi_p + p.indice(2, 0), tipi_p + p.indice(reali_fino, 0), tipo_valore::reale);
    std::fill(tipi_p + p.indice(2, 1), tipi_p + p.indice(reali_fino, 1), tipo_valore::reale);
    return p;
}

}  // namespace binario
