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

namespace {
// The distance when it is at most `limite`, else limite + 1; for a `b` of at most
// 64 characters, without allocating. A row whose smallest entry is past the limit
// cannot come back under it.
size_t distanza_entro(std::string_view a, std::string_view b, size_t limite) {
    if (b.size() > 64) return std::min(distanza(a, b), limite + 1);
    const size_t scarto = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (scarto > limite) return limite + 1;
    std::array<size_t, 65> riga;
    for (size_t j = 0; j <= b.size(); ++j) riga[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonale = riga[0];
        riga[0] = i;
        size_t minimo = riga[0];
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t sopra = riga[j];
            const size_t costo = piccola(a[i - 1]) == piccola(b[j - 1]) ? 0 : 1;
            riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + costo});
            diagonale = sopra;
            minimo = std::min(minimo, riga[j]);
        }
        if (minimo > limite) return limite + 1;
    }
    return std::min(riga[b.size()], limite + 1);
}
}  // namespace

std::optional<std::string_view> parola_vicina(std::string_view voce,
                                              std::span<const std::string_view> parole) {
    if (voce.size() < 3 || voce.size() > 64) return std::nullopt;
    std::optional<std::string_view> migliore;
    size_t minima = SIZE_MAX;
    for (std::string_view p : parole) {
        // A curve keyword carries its hand and degree after the word: compare the
        // beginning of the item too.
        const size_t soglia = p.size() <= 5 ? 1 : 2;
        const size_t d = std::min(distanza_entro(voce, p, soglia),
                                  distanza_entro(voce.substr(0, p.size()), p, soglia));
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
