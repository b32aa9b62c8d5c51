// Warnings of the loader: what the description formats silently accept but an
// author almost never means. A warning changes nothing in the compile: not the
// error state, not a byte of output.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/track_model.h"

namespace binario {

// The keywords an author may mean, as they are usually written, for suggestions.
extern const std::string_view parole_generale[9];
extern const std::string_view parole_profilo_linea[5];
extern const std::string_view parole_treno[10];

// Levenshtein distance between two texts, A-Z folded to a-z.
size_t distanza(std::string_view a, std::string_view b);
// The same when it is at most `limite`, else limite + 1: cheaper, for a search
// that only wants near words.
size_t distanza_entro(std::string_view a, std::string_view b, size_t limite);

// The known keyword closest to `voce`, when it is close enough to be a typing slip.
std::optional<std::string_view> parola_vicina(std::string_view voce,
                                              std::span<const std::string_view> parole);

// Watches the order of one kind of profile record.
struct ordine_profilo {
    explicit ordine_profilo(const char* n, bool multipli = true, bool primo = true)
        : nome(n), multipli_di_50(multipli), controlla_primo(primo) {}

    const char* nome;  // "gradient", "speed limit", ...
    bool multipli_di_50;
    bool controlla_primo;
    std::optional<int32_t> ultima;

    void controlla(modello& m, int32_t p);
};

}  // namespace binario
