// A compile's diagnostic as the editor's Diagnostic object: the one place where the
// fields of `diagnostica` become range, severity, code, message and related
// locations.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/track_model.h"
#include "lsp/text_positions.h"

namespace binario::lsp {

// Another place a diagnostic concerns: the URI and the UTF-8 text of its line.
struct related_place {
    std::string uri;
    size_t line = 0;  // from 0
    std::string_view text;
    std::string message;
};

// `lines` indexes the UTF-8 text of the file the diagnostic belongs to (the
// editor's buffer, or the file on disk converted).
nlohmann::json to_lsp_diagnostic(const diagnostica& d, const line_index& lines,
                                 const std::optional<related_place>& related);

}  // namespace binario::lsp
