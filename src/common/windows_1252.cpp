#include "common/windows_1252.h"

#include <array>
#include <cstddef>

namespace binario {

namespace {

// Code points of the Windows-1252 bytes 0x80 to 0x9F; the five the code page
// leaves undefined keep their own number. Bytes 0xA0 to 0xFF are Latin-1.
constexpr std::array<char32_t, 32> high_code_points = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t code_point_of(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? high_code_points[b - 0x80] : char32_t{b};
}

// The code point of the strict UTF-8 sequence at t[i] (no overlong forms, no
// surrogates, nothing past U+10FFFF), moving i past it; nullopt when none starts there.
std::optional<char32_t> next_code_point(std::string_view t, size_t& i) {
    const auto b = static_cast<unsigned char>(t[i]);
    size_t n = 0;
    char32_t cp = 0, lowest = 0;
    if (b < 0x80) {
        ++i;
        return b;
    } else if ((b & 0xE0) == 0xC0) {
        n = 1, cp = b & 0x1F, lowest = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 2, cp = b & 0x0F, lowest = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 3, cp = b & 0x07, lowest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + n >= t.size()) return std::nullopt;
    for (size_t k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(t[i + k]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    i += n + 1;
    return cp;
}

bool is_utf8(std::string_view t) {
    for (size_t i = 0; i < t.size();)
        if (!next_code_point(t, i)) return false;
    return true;
}

// The Windows-1252 byte of a code point, when the code page has one.
std::optional<char> byte_of(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (size_t k = 0; k < high_code_points.size(); ++k)
        if (high_code_points[k] == cp) return static_cast<char>(0x80 + k);
    return std::nullopt;
}

// Code points of Windows-1252 never pass U+FFFF: at most three bytes.
void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string windows_1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char ch : text) append_utf8(out, code_point_of(static_cast<unsigned char>(ch)));
    return out;
}

std::string as_utf8(std::string_view text) {
    if (is_utf8(text)) return std::string(text);
    return windows_1252_to_utf8(text);
}

bool reads_as_utf8(std::string_view text) {
    bool beyond_ascii = false;
    for (char ch : text) beyond_ascii = beyond_ascii || static_cast<unsigned char>(ch) >= 0x80;
    return beyond_ascii && is_utf8(text);
}

utf8_as_windows_1252 utf8_text_to_windows_1252(std::string_view utf8) {
    utf8_as_windows_1252 out;
    size_t i = 0;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
        out.byte_order_mark = true;
        i = 3;
    }
    out.text.reserve(utf8.size() - i);
    while (i < utf8.size()) {
        const size_t from = i;
        const auto cp = next_code_point(utf8, i);
        if (!cp) {  // not UTF-8 after all: kept byte by byte
            out.text.push_back(utf8[from]);
            i = from + 1;
            continue;
        }
        if (*cp >= 0x80 && !out.first_beyond_ascii) out.first_beyond_ascii = out.text.size();
        if (const auto b = byte_of(*cp)) {
            out.text.push_back(*b);
        } else {
            out.unheld.push_back({out.text.size(), *cp});
            out.text.push_back('?');
        }
    }
    return out;
}

std::optional<std::string> utf8_to_windows_1252(std::string_view text) {
    if (!is_utf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = byte_of(*next_code_point(text, i));
        if (!b) return std::nullopt;
        out.push_back(*b);
    }
    return out;
}

std::string utf8_to_windows_1252(std::string_view text, char replacement) {
    if (!is_utf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out.push_back(byte_of(*next_code_point(text, i)).value_or(replacement));
    return out;
}

}  // namespace binario
