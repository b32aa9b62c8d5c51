// For a fault of a record whose cell is already taken, the record that took it:
// the editor shows it as the diagnostic's related location.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "compiler/track_model.h"

namespace binario::lsp {

struct record_place {
    std::string path;
    size_t line = 0;  // from 0
};

// `line_text` and `train_text` are the two files as compiled (UTF-8). nullopt
// when the fault is of another kind, or no earlier record claims the cell (a
// station mark or a tunnel, for instance).
std::optional<record_place> cell_taker(const diagnostica& d, const std::string& line_path,
                                       const std::string& line_text, const std::string& train_path,
                                       const std::string& train_text);

}  // namespace binario::lsp
