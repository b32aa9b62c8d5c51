#include "compiler/loader_warnings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace binario {

const std::string_view parole_generale[9] = {"lunghezza percorso",
                                             "progressiva chilometrica uno",
                                             "progressiva chilometrica due",
                                             "progressiva chilometrica tre",
                                             "sfondo uno",
                                             "sfondo due",
                                             "sfondo tre",
                                             "ripetizione segnali 4 codici",
                                             "ripetizione segnali 9 codici"};
const std::string_view parole_profilo_linea[5] = {"pendenza", "curva", "montagna",
                                                  "indicatori_vmax", "cartello_indicatore"};
const std::string_view parole_treno[10] = {"percentuale massa frenata",
                                           "numero vetture",
                                           "velocita",
                                           "aderenza",
                                           "orologio",
                                           "sabbia",
                                           "segnale",
                                           "rallentamento",
                                           "abbattimento",
                                           "stazione"};

namespace {
char piccola(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

size_t distanza(std::string_view a, std::string_view b) {
    std::vector<size_t> riga(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) riga[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonale = riga[0];
        riga[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t sopra = riga[j];
            size_t costo = piccola(a[i - 1]) == piccola(b[j - 1]) ? 0 : 1;
            riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + costo});
            diagonale = sopra;
        }
    }
    return riga[b.size()];
}

size_t distanza_entro(std::string_view a, std::string_view b, size_t limite) {
    if (b.size() > 64) return std::min(distanza(a, b), limite + 1);
    const size_t oltre = limite + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limite) return oltre;
    // Only the band |i - j| <= limite can hold a distance within the limit (a cell
    // off it is at least |i - j|); every value is kept at most `oltre`, which the
    // cells off the band hold.
    std::array<size_t, 65> riga;
    for (size_t j = 0; j <= b.size(); ++j) riga[j] = std::min(j, oltre);
    for (size_t i = 1; i <= a.size(); ++i) {
        const size_t da = i > limite ? i - limite : 1;
        const size_t a_fine = std::min(b.size(), i + limite);
        size_t diagonale = riga[da - 1];
        riga[da - 1] = da == 1 ? std::min(i, oltre) : oltre;
        size_t minimo = riga[da - 1];
        for (size_t j = da; j <= a_fine; ++j) {
            const size_t sopra = riga[j];
            size_t v = diagonale + (piccola(a[i - 1]) == piccola(b[j - 1]) ? 0 : 1);
            if (sopra + 1 < v) v = sopra + 1;
            if (riga[j - 1] + 1 < v) v = riga[j - 1] + 1;
            if (v > oltre) v = oltre;
            riga[j] = v;
            diagonale = sopra;
            if (v < minimo) minimo = v;
        }
        if (minimo > limite) return oltre;
    }
    return std::min(riga[b.size()], oltre);
}

std::optional<std::string_view> parola_vicina(std::string_view voce,
                                              std::span<const std::string_view> parole) {
    if (voce.size() < 3 || voce.size() > 64) return std::nullopt;
    std::optional<std::string_view> migliore;
    size_t minima = SIZE_MAX;
    for (std::string_view p : parole) {
        // A curve keyword carries its hand and degree after the word: compare the
        // beginning of the item too.
        const size_t soglia = p.size() <= 5 ? 1 : 2;
        size_t d = distanza_entro(voce, p, soglia);
        if (voce.size() > p.size())
            d = std::min(d, distanza_entro(voce.substr(0, p.size()), p, soglia));
        if (d <= soglia && d < minima) {
            minima = d;
            migliore = p;
        }
    }
    return migliore;
}

void ordine_profilo::controlla(modello& m, int32_t p) {
    std::string n = nome;
    if (controlla_primo && !ultima && p != 0)
        registra_avviso(m, "first-not-at-zero",
                        "the first " + n + " record is at chainage " + std::to_string(p) +
                            ", not 0; the cells before it keep the starting value");
    if (ultima && p < *ultima)
        registra_avviso(m, "out-of-order",
                        n + " record at chainage " + std::to_string(p) + " comes after one at " +
                            std::to_string(*ultima) + ": records must be in ascending chainage");
    if (multipli_di_50 && p % 50 != 0)
        registra_avviso(m, "not-multiple-of-50",
                        n + " chainage " + std::to_string(p) +
                            " is not a multiple of 50; it is taken to the nearest cell");
    ultima = p;
}

}  // namespace binario
