#include "common/windows_1252.h"

#include <array>
#include <cstddef>
#include <vector>

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

// The code points of strict UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF); nullopt when the text is not UTF-8.
std::optional<std::vector<char32_t>> decode_utf8(std::string_view t) {
    std::vector<char32_t> points;
    size_t i = 0;
    while (i < t.size()) {
        const auto b = static_cast<unsigned char>(t[i]);
        size_t n = 0;
        char32_t cp = 0, lowest = 0;
        if (b < 0x80) {
            points.push_back(b);
            ++i;
            continue;
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
        points.push_back(cp);
        i += n + 1;
    }
    return points;
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
    if (decode_utf8(text)) return std::string(text);
    return windows_1252_to_utf8(text);
}

namespace {

// The code points as Windows-1252 bytes; one the code page cannot hold becomes
// `replacement`, or makes the whole conversion fail when there is none.
std::optional<std::string> encode_1252(const std::vector<char32_t>& points,
                                       std::optional<char> replacement) {
    std::string out;
    out.reserve(points.size());
    for (char32_t cp : points) {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        size_t k = 0;
        while (k < high_code_points.size() && high_code_points[k] != cp) ++k;
        if (k < high_code_points.size())
            out.push_back(static_cast<char>(0x80 + k));
        else if (replacement)
            out.push_back(*replacement);
        else
            return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::string> utf8_to_windows_1252(std::string_view text) {
    auto points = decode_utf8(text);
    if (!points) return std::string(text);
    return encode_1252(*points, std::nullopt);
}

std::string utf8_to_windows_1252(std::string_view text, char replacement) {
    auto points = decode_utf8(text);
    if (!points) return std::string(text);
    return *encode_1252(*points, replacement);
}

}  // namespace binario
