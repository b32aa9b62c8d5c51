// The journal of a set of files being replaced in one folder.
//
// Before the first of a set's renames the writer records, in the folder, each
// file of the set with the temporary that replaces it and the second name under
// which its old bytes are kept (none when there was no old file). The journal is
// itself written to a temporary and renamed into place, so it is either whole or
// absent. It is removed after the last rename. A journal found later means that
// a writer died half-way: the old files are put back from their second names,
// which gives back the whole old set whatever number of renames had happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_replace.h"

namespace binario {

// The journal's name in the folder.
inline constexpr const char* nome_giornale = ".binario-journal";

// One file of the set, by its name in the folder.
struct voce_giornale {
    std::string bersaglio;   // the file being replaced
    std::string temporaneo;  // its new bytes, until renamed
    std::string copia;       // the old bytes, or empty when there was no old file
    bool operator==(const voce_giornale&) const = default;
};

std::string serializza_giornale(const std::vector<voce_giornale>& voci);
// Nothing when the text is not a whole journal or names a file outside the folder.
std::optional<std::vector<voce_giornale>> analizza_giornale(std::string_view testo);

// Puts the old files of the set back and removes its temporaries and second
// names. Only the first `rinominati` files can have been replaced (all, when not
// known). Each step can be repeated after an interruption. Returns 0, or the
// errno of the first step that failed (the others are still tried).
int rimetti_vecchi(const std::string& cartella, const std::vector<voce_giornale>& voci,
                   const file_ops& ops, size_t rinominati = SIZE_MAX);

struct esito_ripristino {
    bool giornale = false;       // a journal was found (and the old set put back)
    int temporanei_rimossi = 0;  // abandoned temporaries and second names removed
};

// Mends the folder after a writer that died: puts back the set of a journal left
// there and removes temporaries nobody holds. The caller holds the folder's lock.
// Throws file_error when the journal cannot be read or the old set not put back.
esito_ripristino ripristina_cartella(const std::string& cartella,
                                     const file_ops& ops = system_file_ops());

// True when a journal is present: the set in the folder is not whole until mended.
bool giornale_presente(const std::string& cartella);

}  // namespace binario
