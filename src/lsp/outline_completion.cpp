#include <string>

#include "common/windows_1252.h"
#include "formats/item_reader.h"
#include "lsp/editor_features.h"
#include "lsp/text_positions.h"

namespace binario::lsp {

namespace {

using enum record_id;

// LSP SymbolKind and CompletionItemKind values used here.
constexpr int symbol_namespace = 3, symbol_field = 8, symbol_event = 24;
constexpr int completion_keyword = 14, completion_module = 9;
constexpr int snippet_format = 2;

bool in_outline(record_id id) {
    return id == stazione || id == segnale || id == rallentamento || id == indicatori ||
           id == cartello || id == curva;
}

const char* outline_name(record_id id) {
    switch (id) {
        case stazione:
            return "station";
        case segnale:
            return "signal";
        case rallentamento:
            return "slowdown";
        case indicatori:
            return "speed boards";
        case cartello:
            return "direction board";
        case curva:
            return "curve";
        default:
            return "record";
    }
}

nlohmann::json whole_line(size_t line, std::string_view utf8_line) {
    return {{"start", {{"line", line}, {"character", 0}}},
            {"end",
             {{"line", line},
              {"character", utf16_column(utf8_line, chars_before(utf8_line, utf8_line.size()))}}}};
}

}  // namespace

nlohmann::json outline(const document& doc, file_kind kind) {
    const std::string text = editor_text_as_1252(doc.text);
    const auto sections = sections_of_lines(kind, text);
    const line_index lines(text), utf8_lines(doc.text);
    nlohmann::json out = nlohmann::json::array();
    nlohmann::json* current = nullptr;  // the section being filled
    size_t current_line = 0;
    auto close_section = [&](size_t last_line) {
        if (current == nullptr) return;
        (*current)["range"]["end"] = whole_line(last_line, utf8_lines.line(last_line))["end"];
    };
    for (size_t i = 0; i < lines.line_count(); ++i) {
        const std::string_view line = lines.line(i);
        const record_line head = read_record_line(line, nullptr);
        if (head.keyword.empty()) continue;
        const bool header = head.keyword.find('[') != std::string::npos &&
                            head.keyword.find(']') != std::string::npos &&
                            head.keyword.front() != '-';
        if (header) {
            close_section(i > 0 ? i - 1 : 0);
            nlohmann::json s;
            s["name"] = as_utf8(head.keyword);
            s["kind"] = symbol_namespace;
            s["range"] = whole_line(i, utf8_lines.line(i));
            s["selectionRange"] = s["range"];
            s["children"] = nlohmann::json::array();
            out.push_back(std::move(s));
            current = &out.back();
            current_line = i;
            continue;
        }
        if (i >= sections.size() || !sections[i]) continue;
        const record_kind* k = recognise(*sections[i], head.keyword);
        if (k == nullptr) continue;
        const bool listed = in_outline(k->id);
        const record_line r = read_record_line(line, k);
        std::string name = std::string(listed ? outline_name(k->id) : k->what);
        if (!r.numbers.empty() && k->where != section::line_general)
            name += " " + std::to_string(r.numbers[0]);
        if (k->id == stazione && !r.text.empty()) name += " " + windows_1252_to_utf8(r.text);
        if (k->id == curva) name += " (" + windows_1252_to_utf8(head.keyword) + ")";
        nlohmann::json sym;
        sym["name"] = name;
        sym["detail"] = std::string(k->keyword);
        sym["kind"] = listed ? symbol_event : symbol_field;
        sym["range"] = whole_line(i, utf8_lines.line(i));
        sym["selectionRange"] = sym["range"];
        if (current != nullptr &&
            (listed || k->where == section::line_general || k->id == frenata || k->id == vetture ||
             k->id == orologio || k->id == sabbia))
            (*current)["children"].push_back(std::move(sym));
    }
    (void)current_line;
    close_section(lines.line_count() > 0 ? lines.line_count() - 1 : 0);
    return out;
}

nlohmann::json completions(const document& doc, file_kind kind, size_t line) {
    const std::string text = editor_text_as_1252(doc.text);
    const auto sections = sections_of_lines(kind, text);
    nlohmann::json out = nlohmann::json::array();
    std::optional<section> here;
    if (line < sections.size())
        here = sections[line];
    else if (!sections.empty())
        here = sections.back();
    if (!here) {
        out.push_back({{"label", "[generale]"},
                       {"kind", completion_module},
                       {"detail", "the start of the records"}});
        return out;
    }
    for (const record_kind& k : record_kinds()) {
        // The general records of the line file stand only in its general section;
        // its profile records may stand in it too, where they end it.
        if (k.where != *here) continue;
        out.push_back({{"label", std::string(k.keyword)},
                       {"kind", completion_keyword},
                       {"detail", std::string(k.what)},
                       {"documentation", std::string(k.guide)},
                       {"insertText", snippet(k)},
                       {"insertTextFormat", snippet_format}});
    }
    return out;
}

}  // namespace binario::lsp
