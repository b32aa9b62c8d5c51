#include "lsp/related_record.h"

#include <algorithm>
#include <vector>

#include "compiler/format_facts.h"
#include "lsp/record_guide.h"
#include "lsp/scenario_check.h"
#include "lsp/text_positions.h"

namespace binario::lsp {

namespace {

// The cells a record marks with an event when it is read.
std::vector<int64_t> event_cells(const record_kind& k, const record_line& r) {
    if (r.numbers.empty()) return {};
    const int64_t p = r.numbers[0];
    switch (k.id) {
        case record_id::segnale:
        case record_id::indicatori:
        case record_id::cartello:
            return {cella_evento(p)};
        case record_id::abbattimento:
            return {cella_profilo(p)};
        case record_id::rallentamento: {
            std::vector<int64_t> c;
            if (p > 1500) c.push_back(cella_evento(p - 1200));
            c.push_back(cella_evento(p));
            if (r.numbers.size() > 2) c.push_back(cella_evento(p + r.numbers[2]));
            return c;
        }
        default:
            return {};
    }
}

bool cell_taken_fault(int32_t n) {
    return n == errore_cartello_occupato || n == errore_abbattimento_occupato ||
           (n >= errore_segnale_occupato && n <= errore_indicatori_occupati);
}

struct parsed_record {
    size_t line;
    std::vector<int64_t> cells;
};

std::vector<parsed_record> records_of(file_kind kind, const std::string& utf8) {
    const std::string text = editor_text_as_1252(utf8);
    const auto sections = sections_of_lines(kind, text);
    const line_index lines(text);
    std::vector<parsed_record> out;
    for (size_t i = 0; i < lines.line_count() && i < sections.size(); ++i) {
        if (!sections[i]) continue;
        const record_line head = read_record_line(lines.line(i), nullptr);
        const record_kind* k = recognise(*sections[i], head.keyword);
        if (k == nullptr) continue;
        out.push_back({i, event_cells(*k, read_record_line(lines.line(i), k))});
    }
    return out;
}

}  // namespace

std::optional<record_place> cell_taker(const diagnostica& d, const std::string& line_path,
                                       const std::string& line_text, const std::string& train_path,
                                       const std::string& train_text) {
    if (d.avviso || !cell_taken_fault(d.numero) || d.riga <= 0 || d.file.empty()) return {};
    const bool in_line = d.file == line_path;
    if (!in_line && d.file != train_path) return {};
    const size_t at = static_cast<size_t>(d.riga - 1);
    const auto line_records = records_of(file_kind::line, line_text);
    const auto train_records = train_path.empty() ? std::vector<parsed_record>{}
                                                  : records_of(file_kind::train, train_text);
    const auto& own = in_line ? line_records : train_records;
    auto self = std::find_if(own.begin(), own.end(), [&](const auto& r) { return r.line == at; });
    if (self == own.end()) return {};
    // The records read before it, in the order the loader reads them.
    const auto claims = [&](const parsed_record& r) {
        return std::any_of(r.cells.begin(), r.cells.end(), [&](int64_t c) {
            return std::find(self->cells.begin(), self->cells.end(), c) != self->cells.end();
        });
    };
    for (const parsed_record& r : line_records) {
        if (in_line && r.line >= at) break;
        if (claims(r)) return record_place{line_path, r.line};
    }
    if (in_line) return {};
    for (const parsed_record& r : train_records) {
        if (r.line >= at) break;
        if (claims(r)) return record_place{train_path, r.line};
    }
    return {};
}

}  // namespace binario::lsp
