#include "render/svg_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace binario {

// Fixed-point text with trailing zeros dropped; no locale is involved.
std::string format_fixed(double v, int decimali) {
    if (!std::isfinite(v)) return "0";
    char buffer[400];
    auto [fine, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimali);
    if (ec != std::errc()) return "0";
    std::string_view s(buffer, static_cast<size_t>(fine - buffer));
    if (decimali > 0) {
        while (s.back() == '0') s.remove_suffix(1);
        if (s.back() == '.') s.remove_suffix(1);
    }
    if (s == "-0") return "0";
    return std::string(s);
}

// The shortest text that reads back as the same double.
std::string format_shortest(double v) {
    char buffer[64];
    auto [fine, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc()) return "0";
    return std::string(buffer, fine);
}

// UTF-8 text made safe for XML character data and attribute values: the five
// markup characters escaped, control characters (not allowed in XML) shown as
// U+FFFD.
std::string xml_escape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (u < 0x20 || u == 0x7F)
                    out += "\xEF\xBF\xBD";
                else
                    out += c;
        }
    }
    return out;
}

// The smallest of 1, 2, 5, 10, 20, 50, ... that is at least `grezzo`.
double round_step(double grezzo) {
    if (!(grezzo > 1.0)) return 1.0;
    double base = 1.0;
    while (base * 10.0 <= grezzo && base < 1e15) base *= 10.0;
    for (const double f : {1.0, 2.0, 5.0, 10.0})
        if (base * f >= grezzo) return base * f;
    return base * 10.0;
}

// The next of 1, 2, 5, 10, 20, 50, ... after n (n one of them).
int64_t next_round_step(int64_t n) {
    int64_t base = 1;
    while (base * 10 <= n) base *= 10;
    const int64_t f = n / base;
    return f == 1 ? 2 * base : f == 2 ? 5 * base : 10 * base;
}

}  // namespace binario
