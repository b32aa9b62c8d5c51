// Lines and columns of a document. The editor counts columns in UTF-16 code units
// of the UTF-8 text it holds; the description files count one byte per character
// (Windows-1252). Line ends are CR LF, LF or a lone CR, as the item reader takes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace binario::lsp {

class line_index {
  public:
    explicit line_index(std::string_view text);

    size_t line_count() const { return starts_.size(); }
    // The text of line `line` (from 0) without its line end; empty past the end.
    std::string_view line(size_t line) const;

  private:
    std::string_view text_;
    std::vector<size_t> starts_;  // offset of each line
    std::vector<size_t> ends_;    // offset of each line's end (before CR/LF)
};

// The UTF-16 column of the character at index `chars` (in code points) of a UTF-8
// line; past the end, the line's length in UTF-16 units.
uint32_t utf16_column(std::string_view utf8_line, size_t chars);

// The byte offset within a UTF-8 line of UTF-16 column `column` (clamped to the line).
size_t byte_of_utf16_column(std::string_view utf8_line, uint32_t column);

// The number of code points of a UTF-8 line before byte offset `byte`.
size_t chars_before(std::string_view utf8_line, size_t byte);

}  // namespace binario::lsp
