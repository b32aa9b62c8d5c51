// The per-metre track plan: for each metre of the extended line an x and a y
// tagged value, as the plan file holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/large_array.h"
#include "compiler/format_facts.h"

namespace binario {

// Type tags of the plan's tagged values, as they appear in the plan file.
// In memory a tag takes one byte; the file gives it two.
enum class tipo_valore : uint8_t { vuoto = 0, intero = 2, reale = 5 };

// The step rule of the plan: with (dx, dy) = point(t-1) - point(t-2),
// point(t) = point(t-1) + (dx + c*dy, dy - c*dx), or point(t-1) + (dx, dy) when
// c = 0. Computes points da to a - 1 from the two before them, held in
// (x0, y0) and (x1, y1), and leaves there the last two; `salva(t, x, y)` takes
// each point. The operations and their order are those of the rule, so each value
// is the one the rule gives in IEEE double, whoever stores it.
struct ultimi_punti {
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

template <class Salva>
inline void passi_piano(ultimi_punti& u, int32_t da, int32_t a, double c, Salva&& salva) {
    double x0 = u.x0, x1 = u.x1, y0 = u.y0, y1 = u.y1;
    if (c == 0.0) {
        for (int32_t t = da; t < a; ++t) {
            const double dx = x1 - x0;
            const double dy = y1 - y0;
            x0 = x1;
            y0 = y1;
            x1 = x1 + dx;
            y1 = y1 + dy;
            salva(t, x1, y1);
        }
    } else {
        for (int32_t t = da; t < a; ++t) {
            const double dx = x1 - x0;
            const double dy = y1 - y0;
            x0 = x1;
            y0 = y1;
            x1 = x1 + (dx + c * dy);
            y1 = y1 + (dy - c * dx);
            salva(t, x1, y1);
        }
    }
    u = {x0, x1, y0, y1};
}

// Points [da, a) of a compiled plan, computed with one curvature from the two
// points before da.
struct tratto_piano {
    int32_t da = 0;
    int32_t a = 0;
    double c = 0;
    ultimi_punti prima;
};

// The per-metre track plan: (0 to lunghezza_estesa) x (x, y) tagged values.
//
// Usually stored as two flat arrays (tags and values), so that a million points
// cost no allocation each; a 16-bit integer value is held exactly in the double.
// Both arrays start all zero, which is an empty element of value 0.
//
// A plan whose points are written out while they are computed need not keep
// them: compiled with `compatta`, it keeps instead its two integer seeds and the
// runs that give every real again (two integers, then reals from metre 2 up to
// reali_fino, then empty elements, which is the only shape the loader builds).
// tipo() and valore() answer for it too, by computing the point again;
// materializzata() gives the arrays.
struct planimetria_metrica {
    int32_t ultimo_metro = -1;  // lunghezza_estesa once dimensioned
    vettore_zerato<tipo_valore> tipi;
    vettore_zerato<double> valori;

    // Only for a compact plan.
    bool compatta = false;
    bool seminata = false;                  // metres 0 and 1 hold their integers
    int16_t semi[2][2] = {{0, 0}, {0, 0}};  // [metre][column]
    int32_t reali_fino = 2;                 // metres 2 to reali_fino - 1 are reals
    std::vector<tratto_piano> tratti;       // consecutive, from metre 2 to reali_fino

    bool esiste() const { return ultimo_metro >= 0; }
    size_t numero_metri() const { return static_cast<size_t>(ultimo_metro + 1); }
    // c = 0 for x, 1 for y; the x column comes first, as in the file.
    size_t indice(int32_t metro, int c) const {
        return static_cast<size_t>(c) * numero_metri() + static_cast<size_t>(metro);
    }
    bool contiene(int64_t metro) const { return metro >= 0 && metro <= ultimo_metro; }

    // Dimensions an all-empty plan: with arrays, or compact.
    void dimensiona(int32_t lunghezza_estesa, bool in_forma_compatta = false);
    void cancella();
    void assegna_intero(int32_t metro, int c, int16_t v);
    void assegna_reale(int32_t metro, int c, double v);
    // A compact plan's next run: it starts at reali_fino and ends by the last metre.
    void aggiungi_tratto(const tratto_piano& t);
    tipo_valore tipo(int32_t metro, int c) const {
        return compatta ? tipo_compatto(metro, c) : tipi[indice(metro, c)];
    }
    double valore(int32_t metro, int c) const {
        return compatta ? valore_compatto(metro, c) : valori[indice(metro, c)];
    }

    // The same plan with its arrays: a copy, or the points computed again.
    planimetria_metrica materializzata() const;

  private:
    tipo_valore tipo_compatto(int32_t metro, int c) const;
    double valore_compatto(int32_t metro, int c) const;
};

}  // namespace binario
