#include "cli/command_names.h"

#include <cstdint>
#include <utility>

#include "compiler/loader_warnings.h"

namespace binario {

std::optional<std::string> comando_vicino(const std::string& parola,
                                          const std::vector<std::string>& nomi) {
    if (parola.empty() || parola.size() > 64) return std::nullopt;
    // Two letters typed the wrong way round: "lps" for "lsp".
    for (size_t i = 0; i + 1 < parola.size(); ++i) {
        std::string scambiata = parola;
        std::swap(scambiata[i], scambiata[i + 1]);
        for (const std::string& n : nomi)
            if (scambiata == n && scambiata != parola) return n;
    }
    std::optional<std::string> vicino;
    size_t minima = SIZE_MAX;
    for (const std::string& n : nomi) {
        const size_t d = distanza(parola, n);
        const size_t soglia = n.size() <= 4 ? 1 : 2;
        if (d <= soglia && d < parola.size() && d < minima) {
            minima = d;
            vicino = n;
        }
    }
    if (vicino) return vicino;
    // A command cut short: "insp" for "inspect".
    if (parola.size() < 2) return std::nullopt;
    for (const std::string& n : nomi) {
        if (n.compare(0, parola.size(), parola) != 0) continue;
        if (vicino) return std::nullopt;
        vicino = n;
    }
    return vicino;
}

}  // namespace binario
