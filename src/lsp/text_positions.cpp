#include "lsp/text_positions.h"

#include <algorithm>

namespace binario::lsp {

namespace {

// Length in bytes of the UTF-8 sequence led by `b`; 1 for a stray byte, so that
// any text can be walked.
size_t sequence_length(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF7) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC0) return 2;
    return 1;
}

}  // namespace

line_index::line_index(std::string_view text) : text_(text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        starts_.push_back(start);
        ends_.push_back(i);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    starts_.push_back(start);
    ends_.push_back(text.size());
}

std::string_view line_index::line(size_t line) const {
    if (line >= starts_.size()) return {};
    return text_.substr(starts_[line], ends_[line] - starts_[line]);
}

uint32_t utf16_column(std::string_view s, size_t chars) {
    uint32_t column = 0;
    size_t i = 0;
    for (size_t c = 0; c < chars && i < s.size(); ++c) {
        const size_t n = sequence_length(static_cast<unsigned char>(s[i]));
        column += n == 4 ? 2 : 1;
        i += n;
    }
    return column;
}

size_t byte_of_utf16_column(std::string_view s, uint32_t column) {
    uint32_t at = 0;
    size_t i = 0;
    while (i < s.size() && at < column) {
        const size_t n = sequence_length(static_cast<unsigned char>(s[i]));
        at += n == 4 ? 2 : 1;
        i += n;
    }
    return std::min(i, s.size());
}

size_t chars_before(std::string_view s, size_t byte) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size() && i < byte; ++chars)
        i += sequence_length(static_cast<unsigned char>(s[i]));
    return chars;
}

}  // namespace binario::lsp
