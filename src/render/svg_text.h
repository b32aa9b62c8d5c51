// Numbers and text as an SVG file holds them: fixed formatting with no locale,
// XML escaping, and the round steps of axis ticks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace binario {

// Fixed-point text with trailing zeros dropped; "-0" is written "0" and a value
// that is not finite "0".
std::string format_fixed(double v, int decimals = 1);

// The shortest text that reads back as the same double.
std::string format_shortest(double v);

// UTF-8 text made safe for XML character data and attribute values: the five
// markup characters escaped, control characters (not allowed in XML) shown as
// U+FFFD.
std::string xml_escape(std::string_view utf8);

// The smallest of 1, 2, 5, 10, 20, 50, ... that is at least `raw`.
double round_step(double raw);

// The next of 1, 2, 5, 10, 20, 50, ... after n (n one of them).
int64_t next_round_step(int64_t n);

}  // namespace binario
