#include "render/polyline.h"

#include <algorithm>
#include <utility>

namespace binario {

namespace {

// The square of the distance from p to the segment a-b.
double quadrato_distanza(const point_2d& p, const point_2d& a, const point_2d& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double quadrato = dx * dx + dy * dy;
    double t = 0.0;
    if (quadrato > 0.0) t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / quadrato, 0.0, 1.0);
    const double qx = a.x + t * dx - p.x, qy = a.y + t * dy - p.y;
    return qx * qx + qy * qy;
}

}  // namespace

std::vector<size_t> simplify_polyline(std::span<const point_2d> punti, double tolleranza) {
    std::vector<size_t> indici;
    const size_t n = punti.size();
    if (n <= 2) {
        for (size_t i = 0; i < n; ++i) indici.push_back(i);
        return indici;
    }
    // First a linear pass: a point closer than a quarter of the tolerance to the
    // last point kept goes. A long line drawn small has many points per pixel,
    // and Douglas-Peucker is quadratic at worst.
    const double vicinanza = tolleranza / 4;
    std::vector<size_t> scelti{0};
    for (size_t i = 1; i + 1 < n; ++i) {
        const point_2d& q = punti[scelti.back()];
        const double dx = punti[i].x - q.x, dy = punti[i].y - q.y;
        if (dx * dx + dy * dy > vicinanza * vicinanza) scelti.push_back(i);
    }
    scelti.push_back(n - 1);

    // Then Douglas-Peucker on what is left, with the rest of the tolerance: a point
    // dropped by either pass lies within the whole tolerance of the kept segment.
    const double scarto = tolleranza - vicinanza;
    const size_t m = scelti.size();
    // The points are taken in stretches of at most 512, whose ends are kept: this
    // bounds the worst case at a few hundred distances a point (a line that winds
    // round many times on itself), for a few more points kept.
    constexpr size_t tratto_massimo = 512;
    std::vector<char> tieni(m, 0);
    std::vector<std::pair<size_t, size_t>> pila;
    for (size_t a = 0; a + 1 < m; a += tratto_massimo) {
        const size_t b = std::min(a + tratto_massimo, m - 1);
        tieni[a] = tieni[b] = 1;
        pila.push_back({a, b});
    }
    while (!pila.empty()) {
        const auto [a, b] = pila.back();
        pila.pop_back();
        if (b <= a + 1) continue;
        double massima = -1.0;
        size_t k = a;
        for (size_t i = a + 1; i < b; ++i) {
            const double d =
                quadrato_distanza(punti[scelti[i]], punti[scelti[a]], punti[scelti[b]]);
            if (d > massima) {
                massima = d;
                k = i;
            }
        }
        if (massima > scarto * scarto) {
            tieni[k] = 1;
            pila.push_back({k, b});
            pila.push_back({a, k});
        }
    }
    for (size_t i = 0; i < m; ++i)
        if (tieni[i]) indici.push_back(scelti[i]);
    return indici;
}

}  // namespace binario
