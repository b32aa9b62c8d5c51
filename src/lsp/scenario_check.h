// The compile behind the editor's diagnostics: which two files form a scenario,
// the compile of that pair with the unsaved text of open buffers, and what it
// leaves for hover.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"
#include "lsp/document_store.h"

namespace binario::lsp {

// The two files of a scenario. A line file with no train file beside it is
// checked alone (train_path empty).
struct scenario_pair {
    std::string line_path;
    std::string train_path;
    std::string line_name;  // from the file names, UTF-8
    std::string train_code;

    std::string key() const { return line_path + '\n' + train_path; }
};

// The scenario a file belongs to, from its name: NAME_linea.txt is a line file and
// NAME_CODE-.txt a train file of the line NAME. The partner is looked for among the
// open documents first, then in the file's folder (the first in name order when
// there are several). nullopt for a file of neither kind, or a train file whose
// line file is nowhere.
std::optional<scenario_pair> scenario_of(const std::string& path, const document_store& docs);

// What a compile of the pair leaves: the diagnostics as the check command reports
// them, and the cells and table for hover.
struct scenario_result {
    std::vector<diagnostica> diagnostics;
    bool cells_built = false;
    std::vector<cella> celle;
    std::array<voce, numero_voci> tabella{};
    int32_t ultima_cella = 0;
    // The two texts as compiled, in UTF-8 (for the ranges of the diagnostics).
    std::string line_text;
    std::string train_text;
};

// Compiles the pair: open buffers by their text (see buffer_as_compiled), the other
// file from disk. Reads files, writes none.
scenario_result check_scenario(const scenario_pair& pair, const document_store& docs);

// The text of an open buffer as the compile is to read it. The editor sends UTF-8
// whatever the file holds, so the file on disk says how it is saved: a Windows-1252
// file (bytes beyond ASCII that are not UTF-8) gets its buffer converted back to
// Windows-1252; any other (UTF-8, plain ASCII, or no file yet: editors save UTF-8)
// is handed over as UTF-8, and the compile reads it as it reads a saved UTF-8 file.
// Either way the diagnostics are those `binario check` gives for the buffer saved.
std::string buffer_as_compiled(const std::string& utf8, const std::string& on_disk);

// A file's bytes as the editor shows them, in UTF-8 (by the rule the compile reads
// them with), for the ranges of its diagnostics.
std::string shown_text(const std::string& bytes);

// The Windows-1252 bytes of editor text; a character the code page cannot hold
// becomes '?', one byte for one character, so that columns keep their places.
std::string editor_text_as_1252(const std::string& utf8);

}  // namespace binario::lsp
