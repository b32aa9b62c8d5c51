// The records of the two description files as an editor presents them: how each
// is recognised, its fields, what it means, and a template to insert. The field
// names and rules follow the guide to the formats (docs/formats.md).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace binario::lsp {

enum class file_kind { line, train };

enum class record_id {
    lunghezza,
    progressiva_tre,
    progressiva_due,
    progressiva_uno,
    sfondo_uno,
    sfondo_due,
    sfondo_tre,
    ripetizione,
    pendenza,
    curva,
    montagna,
    indicatori,
    cartello,
    frenata,
    vetture,
    velocita,
    aderenza,
    orologio,
    sabbia,
    segnale,
    rallentamento,
    abbattimento,
    stazione,
};

// Where a record may stand: the line file's general section, the rest of the line
// file, or anywhere after "[generale]" in the train file.
enum class section { line_general, line_profile, train };

struct record_kind {
    record_id id;
    section where;
    std::string_view keyword;  // as the built-in files write it
    std::string_view what;     // "a signal", for hover and outline
    std::vector<std::string_view> fields;
    bool text_last;          // the last field is a text item
    std::string_view guide;  // meaning and rules
};

// Every record kind, in the order the loader tests them within each section.
std::span<const record_kind> record_kinds();

// The first kind whose keyword test the item passes in that section, as the loader
// tests it (substrings, case as the format says); nullptr when none.
const record_kind* recognise(section where, std::string_view item);

// One line of a description file split into its items.
struct record_line {
    std::string keyword;           // the first item, trimmed
    size_t keyword_column = 0;     // byte column (from 0) where it starts
    size_t keyword_end = 0;        // byte column just after it
    std::vector<int64_t> numbers;  // the number items that follow, as read
    std::vector<size_t> columns;   // byte column (from 0) of each number item
    std::string text;              // the final text item, when the kind has one
    size_t text_column = 0;
    bool complete = false;  // every field was read as its kind expects
};

// Reads one line (Windows-1252 or ASCII bytes, no line end) as a record of `kind`,
// or only its keyword when kind is nullptr.
record_line read_record_line(std::string_view line, const record_kind* kind);

// The snippet (LSP snippet syntax) that inserts a record of this kind.
std::string snippet(const record_kind& k);

}  // namespace binario::lsp

namespace binario::lsp {

// The section each line of a description file lies in, as the loader reads it:
// nullopt before the line holding "[generale]" (and on that line).
std::vector<std::optional<section>> sections_of_lines(file_kind kind, std::string_view text_1252);

}  // namespace binario::lsp
