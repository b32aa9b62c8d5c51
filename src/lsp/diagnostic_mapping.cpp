#include "lsp/diagnostic_mapping.h"

#include "common/windows_1252.h"

namespace binario::lsp {

namespace {

nlohmann::json position(size_t line, uint32_t character) {
    return {{"line", line}, {"character", character}};
}

// The record's line from its first non-blank character to its end.
nlohmann::json line_range(std::string_view text, size_t line) {
    size_t first = 0;
    while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
    return {{"start", position(line, utf16_column(text, chars_before(text, first)))},
            {"end", position(line, utf16_column(text, chars_before(text, text.size())))}};
}

}  // namespace

nlohmann::json to_lsp_diagnostic(const diagnostica& d, const line_index& lines,
                                 const std::optional<related_place>& related) {
    const size_t line = d.riga > 0 ? static_cast<size_t>(d.riga - 1) : 0;
    nlohmann::json out;
    out["range"] = line_range(lines.line(line), line);
    // A fault at one character (one the code page cannot hold) marks that character.
    if (d.riga > 0 && d.colonna > 0) {
        const std::string_view text = lines.line(line);
        const auto at = static_cast<size_t>(d.colonna - 1);
        out["range"] = {{"start", position(line, utf16_column(text, at))},
                        {"end", position(line, utf16_column(text, at + 1))}};
    }
    // Errors 1, warnings 2, notes (information) 3; the code is the error number or
    // the warning's stable name, the one that turns it off.
    out["severity"] = !d.avviso ? 1 : d.nota ? 3 : 2;
    if (!d.avviso && d.numero != 0) out["code"] = d.numero;
    if (d.avviso && d.nome != nullptr && *d.nome != '\0') out["code"] = d.nome;
    out["source"] = "binario";
    std::string message = as_utf8(d.messaggio);
    // Faults of the steps after reading name a chainage, not a record.
    if (d.file.empty() && d.progressiva)
        message = "chainage " + std::to_string(*d.progressiva) + ": " + message;
    out["message"] = message;
    if (related)
        out["relatedInformation"] = nlohmann::json::array(
            {{{"location",
               {{"uri", related->uri}, {"range", line_range(related->text, related->line)}}},
              {"message", related->message}}});
    return out;
}

}  // namespace binario::lsp
