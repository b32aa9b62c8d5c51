#include "compiler/code_placement.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace binario {

namespace {

// The pass over one model. Every cell index it uses lies in 0..ultima.
class passata {
  public:
    explicit passata(modello& m)
        : m_(m),
          ultima_(std::min<int64_t>(m.ultima_cella, static_cast<int64_t>(m.celle.size()) - 1)) {}

    void esegui() {
        // The upper bound is taken once, before the first cell.
        const int64_t limite = std::min<int64_t>(int64_t{m_.ultima_cella} - 2, ultima_);
        for (int64_t i = 1; i <= limite; ++i) {
            const uint8_t e = casella(i).evento;
            if (e == evento_avviso_rallentamento) {
                prima_dei_segnali(i);
            } else if (e == evento_inizio_rallentamento) {
                rallentamento(i);
            }
        }
    }

  private:
    cella& casella(int64_t c) { return m_.celle[static_cast<size_t>(c)]; }
    bool libera(int64_t c) { return cella_libera(casella(c)); }
    void segna(int64_t c) {
        casella(c).evento = evento_codice;
        casella(c).dato1 = codice_normale;
    }
    static int32_t metri(int64_t c) { return static_cast<int32_t>(inizio_cella(c)); }
    static std::string testo(int64_t v) { return std::to_string(v); }

    // Rule A: code marks before the signals up to 20 cells before a warning board.
    void prima_dei_segnali(int64_t i) {
        for (int64_t j = 1; j <= 20; ++j) {
            const int64_t d = i - j;
            if (d < 3) return;
            if (casella(d).evento != evento_segnale) continue;
            if (libera(d - 1)) {
                segna(d - 1);
            } else if (libera(d - 2)) {
                segna(d - 2);
            } else if (casella(d - 1).evento == evento_codice) {
                casella(d - 1).dato1 = minimo(codice_normale, casella(d - 1).dato1);
            } else if (casella(d - 2).evento == evento_codice) {
                casella(d - 2).dato1 = minimo(codice_normale, casella(d - 2).dato1);
            } else {
                registra_errore(m_, errore_codice_segnale, metri(d),
                                "signal in cell " + testo(d) +
                                    " before the warning board in cell " + testo(i) + ": cells " +
                                    testo(d - 1) + " and " + testo(d - 2) + " are taken");
            }
        }
    }

    // Rule B: a slowdown start in cell i.
    void rallentamento(int64_t i) {
        finestre(i);
        const int16_t v = casella(i).dato1;
        // Slowdowns of 110 km/h or more get no mark inside nor after their end.
        if (v >= 110) return;
        const int64_t e = dentro(i);
        if (e < 0) return;
        dopo_la_fine(e);
    }

    // B.1: the near, middle and far windows before the start.
    void finestre(int64_t i) {
        struct finestra {
            int64_t soglia;
            int64_t primo;  // distance of the preferred cell; the next two follow it
        };
        static constexpr std::array<finestra, 3> elenco{{{7, 5}, {13, 11}, {20, 18}}};
        for (const finestra& f : elenco) {
            if (i <= f.soglia) continue;
            bool fatto = false;
            for (int64_t t = 0; t < 3 && !fatto; ++t) {
                const int64_t c = i - f.primo - t;
                if (libera(c)) {
                    segna(c);
                    fatto = true;
                }
            }
            if (!fatto) {
                registra_errore(m_, errore_codice_inizio_rallentamento, metri(i),
                                "slowdown start in cell " + testo(i) + ": cells " +
                                    testo(i - f.primo) + " to " + testo(i - f.primo - 2) +
                                    " are all taken");
            }
        }
    }

    // B.2: the walk to the end, a mark every 8 cells. Returns the end cell, or -1
    // when no end cell lies between the start and the last cell.
    int64_t dentro(int64_t i) {
        int64_t k = i;
        int64_t s = 0;
        for (;;) {
            ++k;
            if (k > ultima_) return -1;
            ++s;
            if (s == 8) {
                if (libera(k)) {
                    segna(k);
                    s = 0;
                } else if (libera(k - 1)) {
                    segna(k - 1);
                    s = 1;
                } else if (k + 1 <= ultima_ && libera(k + 1)) {
                    segna(k + 1);
                    s = -1;
                } else {
                    // s stays at 8: no further mark inside this slowdown.
                    registra_errore(m_, errore_codice_rallentamento, metri(k),
                                    "slowdown from cell " + testo(i) + ": cell " + testo(k) +
                                        " and both its neighbours are taken");
                }
            }
            if (casella(k).evento == evento_fine_rallentamento) return k;
        }
    }

    // B.3: a mark before the first signal at most 12 cells past the end.
    void dopo_la_fine(int64_t e) {
        const int64_t fino = std::min<int64_t>(e + 12, ultima_);
        for (int64_t q = e; q <= fino; ++q) {
            if (casella(q).evento != evento_segnale) continue;
            if (q - 1 <= 0) return;
            if (libera(q - 1)) {
                segna(q - 1);
            } else if (libera(q - 2)) {
                segna(q - 2);
            } else {
                registra_errore(m_, errore_codice_rallentamento, metri(e),
                                "signal in cell " + testo(q) + " after the slowdown end in cell " +
                                    testo(e) + ": cells " + testo(q - 1) + " and " + testo(q - 2) +
                                    " are taken");
            }
            return;
        }
    }

    modello& m_;
    const int64_t ultima_;
};

}  // namespace

int16_t minimo(int16_t x, int16_t y) {
    return x > y ? y : x;
}

void posiziona_codici(modello& m) {
    passata(m).esegui();
}

}  // namespace binario
