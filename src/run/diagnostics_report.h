// Prints the faults and warnings of a compile in the form editors understand.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/track_model.h"

namespace binario {

// One line: "FILE:LINE: error N: message", "FILE:LINE: warning: message [NAME]",
// "FILE:LINE: note: message", with ":COLUMN" after the line where the diagnostic has
// one; without a line number "FILE: error N: message"; for
// faults with no source file, such as those of the code placement pass,
// "chainage N: error N: message". A fault or warning found after the error that
// stopped the load says so: "error N (after the stop): message". The message is
// turned into UTF-8 (as_utf8); the file name is left as it was given.
std::string riga_diagnostica(const diagnostica& d);

// The counts of a report: what was kept plus what the limit left out.
struct totali_diagnostiche {
    int64_t errori = 0;
    int64_t avvisi = 0;
    int64_t note = 0;
    int64_t omessi = 0;  // of the above, left out of the report by the limit
};
totali_diagnostiche conta_diagnostiche(const modello& m, bool avvisi = true);

// Prints the diagnostics kept (warnings and notes only when `avvisi`), a line for
// those the limit left out, then a summary line "N errors, M warnings" with the
// totals. Returns the number of errors.
int stampa_diagnostiche(const modello& m, std::FILE* out, bool avvisi = true);

}  // namespace binario
