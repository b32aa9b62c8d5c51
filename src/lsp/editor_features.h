// What the editor asks of an open description file besides diagnostics: hover,
// the outline of its sections and records, and the completion of keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "lsp/document_store.h"
#include "lsp/record_guide.h"
#include "lsp/scenario_check.h"

namespace binario::lsp {

// Hover at a UTF-16 position: on a keyword, the record's fields and rules; on the
// rest of a record, what it is, its chainage and cells and, when `compiled` holds a
// compile of the scenario, what those cells hold. null when nothing is there.
nlohmann::json hover_at(const document& doc, file_kind kind, size_t line, uint32_t character,
                        const scenario_result* compiled);

// DocumentSymbol[]: the sections, with their records named by kind and chainage.
nlohmann::json outline(const document& doc, file_kind kind);

// CompletionItem[]: the keywords valid at that line, each with a snippet of its fields.
nlohmann::json completions(const document& doc, file_kind kind, size_t line);

}  // namespace binario::lsp
