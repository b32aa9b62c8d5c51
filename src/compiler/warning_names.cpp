#include "compiler/warning_names.h"

#include <array>

namespace binario {

namespace {

constexpr std::array<nome_avviso, 17> avvisi = {{
    {"unknown-keyword", "an item that is no keyword, with values after it or close to a keyword"},
    {"trailing-text", "text after a record's values, which is not read (\"5 km\" reads 5)"},
    {"missing-values", "a record whose values run on into the next line"},
    {"curve-hand", "a curve keyword with an \"s\" that is not its hand letter: a left curve"},
    {"beyond-line-end", "a record or a station mark beyond the end of the line"},
    {"no-general-section", "a train file without a \"[generale]\" line: nothing of it is read"},
    {"event-overwritten",
     "an event or approach mark replaced by a later record (a station mark over a signal)"},
    {"value-truncated", "a value stored by its low bits because it does not fit its field"},
    {"out-of-order", "profile, curve or station records not in ascending chainage"},
    {"not-multiple-of-50", "a profile chainage that is not a multiple of 50"},
    {"first-not-at-zero", "a profile whose first record is not at chainage 0"},
    {"curve-overlap", "a curve that starts before the previous one ends"},
    {"tunnel-overlap", "a tunnel that starts before the previous one ends"},
    {"repeated-record", "a record that sets one value, given again: the later one is kept"},
    {"last-record-unread", "a record on the file's last line, which is never read"},
    {"utf8-source", "note: a UTF-8 file whose texts are stored as Windows-1252"},
    {"too-many-errors", "note: the check after the stop gave up after 50 further errors"},
}};

}  // namespace

std::span<const nome_avviso> avvisi_noti() {
    return avvisi;
}

bool avviso_noto(std::string_view nome) {
    for (const nome_avviso& a : avvisi)
        if (nome == a.nome) return true;
    return false;
}

}  // namespace binario
