// A compile's diagnostic as the editor's Diagnostic object: the one place where the
// fields of `diagnostica` become range, severity, code, message and related
// locations.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "compiler/track_model.h"
#include "lsp/text_positions.h"

namespace binario::lsp {

// `lines` indexes the UTF-8 text of the file the diagnostic belongs to (the
// editor's buffer, or the file on disk converted). `uri_of` gives the URI of
// another file named by the diagnostic.
nlohmann::json to_lsp_diagnostic(const diagnostica& d, const line_index& lines,
                                 const std::function<std::string(const std::string&)>& uri_of);

}  // namespace binario::lsp
