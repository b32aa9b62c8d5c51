#include "formats/plan_shape.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "compiler/format_facts.h"
#include "formats/compiled_limits.h"

namespace binario {
namespace {

size_t byte_elemento(tipo_valore t) {
    switch (t) {
        case tipo_valore::intero:
            return byte_elemento_intero;
        case tipo_valore::reale:
            return byte_elemento_reale;
        case tipo_valore::vuoto:
            break;
    }
    return byte_elemento_vuoto;
}

const char* nome_tipo(tipo_valore t) {
    return t == tipo_valore::intero ? "an int16" : t == tipo_valore::reale ? "a double" : "empty";
}

const char* const non_compilato =
    " (not a plan file as the compiler writes it; cut short or joined?)";

// How far the change of a step may be from the rule (below), as a fraction of
// the step before it. Rounding alone leaves far less: the points are doubles of
// at most about 1e8 m, each difference between two of them is off by less than
// 1e-7 m, and a step is never shorter than 1 m (compiled plans, the longest and
// most curved included, stay under 1e-10). The curvatures of two degrees are
// 1e-4 apart, and a track cut, shifted or overwritten jumps by far more.
constexpr double scarto_ammesso = 1e-6;

const char* const non_continuo =
    " (not a plan as the compiler writes it; cut, shifted or "
    "overwritten?)";

// The x element of metre t, for a plan seeded with integers and reals after them.
size_t offset_reale(int32_t t) {
    return 2 * static_cast<size_t>(byte_elemento_intero) +
           static_cast<size_t>(t - 2) * static_cast<size_t>(byte_elemento_reale);
}

std::string numero(const char* formato, double v) {
    char testo[48];
    std::snprintf(testo, sizeof testo, formato, v);
    return testo;
}

// Whether `c` is 0 or the curvature of a degree, to the right or to the left.
bool curvatura_di_un_grado(double c) {
    if (std::fabs(c) <= scarto_ammesso) return true;
    for (double g : curvature_gradi)
        if (std::fabs(std::fabs(c) - g) <= scarto_ammesso) return true;
    return false;
}

// The loader seeds (0, 0), (0, 1) and computes each point from the two before it:
// the step from t-1 to t is the step before, a = (ax, ay), plus c * (ay, -ax) for
// the curvature c of metre t (0 on a straight). So the change of the step, d,
// has no part along a, and c * |a| across it: with both parts taken as fractions
// of |a|^2, the first is 0 and the second c, one of the degrees' curvatures.
std::optional<errore_decodifica> controlla_continuita(const planimetria_metrica& p) {
    int32_t fine = 2;  // metres 2 to fine - 1 hold reals
    while (fine <= p.ultimo_metro && p.tipo(fine, 0) == tipo_valore::reale) ++fine;
    if (fine == 2) return std::nullopt;  // nothing computed past the seeds
    const double* x = p.valori.data() + p.indice(0, 0);
    const double* y = p.valori.data() + p.indice(0, 1);
    if (p.tipo(0, 0) != tipo_valore::intero || x[0] != 0 || y[0] != 0 || x[1] != 0 || y[1] != 1)
        return errore_decodifica{
            0, std::string("the track does not start at metres 0 and 1 at (0, 0) and (0, 1), "
                           "as every plan does") +
                   non_continuo};
    double ax = x[1] - x[0];
    double ay = y[1] - y[0];
    for (int32_t t = 2; t < fine; ++t) {
        const double bx = x[t] - x[t - 1];
        const double by = y[t] - y[t - 1];
        const double dx = bx - ax;
        const double dy = by - ay;
        const double q = ax * ax + ay * ay;
        const double lungo = (dx * ax + dy * ay) / q;
        const double traverso = (dx * ay - dy * ax) / q;
        if (!(std::fabs(lungo) <= scarto_ammesso && curvatura_di_un_grado(traverso))) {
            const double a = std::sqrt(q);
            const double b = std::sqrt(bx * bx + by * by);
            return errore_decodifica{
                offset_reale(t),
                "metre " + std::to_string(t) + ": the track jumps: the step from metre " +
                    std::to_string(t - 1) + " is " + numero("%.6g", b) + " m, after a step of " +
                    numero("%.6g", a) + " m, and turns by " +
                    numero("%.3g", std::atan2(dx * ay - dy * ax, q + dx * ax + dy * ay)) +
                    " rad; each metre of a plan goes on from the step before, straight or "
                    "turned by the curvature of a degree (0.0001 to 0.003 rad)" +
                    non_continuo};
        }
        ax = bx;
        ay = by;
    }
    return std::nullopt;
}

}  // namespace

std::optional<errore_decodifica> controlla_forma_piano(const planimetria_metrica& p) {
    if (!p.esiste()) return std::nullopt;
    constexpr int64_t primo_ultimo = metri_oltre_la_fine;
    constexpr int64_t ultimo_ultimo = lunghezza_linea_massima + metri_oltre_la_fine;
    if (p.ultimo_metro < primo_ultimo || p.ultimo_metro > ultimo_ultimo)
        return errore_decodifica{
            0, "the plan runs from metre 0 to " + std::to_string(p.ultimo_metro) +
                   "; a compiled plan runs to the line's length plus 7000 m, from metre " +
                   std::to_string(primo_ultimo) + " to " + std::to_string(ultimo_ultimo) +
                   non_compilato};
    if (p.compatta) return controlla_forma_piano(p.materializzata());
    size_t offset = 0;
    for (int c = 0; c < 2; ++c) {
        const char* colonna = c == 0 ? "x" : "y";
        bool vuoti = false;  // an empty element met past metre 1: only empty ones follow
        for (int32_t t = 0; t <= p.ultimo_metro; ++t) {
            const tipo_valore v = p.tipo(t, c);
            std::string guasto;
            if (v != p.tipo(t, 1 - c))
                guasto =
                    std::string("the x and y columns differ in kind at metre ") + std::to_string(t);
            else if (t < 2 && v == tipo_valore::reale)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) +
                         ": a double where the plan starts with int16 values";
            else if (t >= 2 && v == tipo_valore::intero)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) +
                         ": an int16 past the two starting points";
            else if (t >= 2 && vuoti && v != tipo_valore::vuoto)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) + ": " +
                         nome_tipo(v) + " after an empty element; the track does not continue";
            if (!guasto.empty()) return errore_decodifica{offset, guasto + non_compilato};
            if (t >= 2 && v == tipo_valore::vuoto) vuoti = true;
            offset += byte_elemento(v);
        }
    }
    return controlla_continuita(p);
}

}  // namespace binario
