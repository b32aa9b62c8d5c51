// Counts in messages: "1 error", "2 errors".
#pragma once

#include <cstdint>
#include <string>

namespace binario {

// `n` and the noun, with an "s" unless n is 1 (every noun counted here takes one).
inline std::string plurale(int64_t n, const char* parola) {
    return std::to_string(n) + " " + parola + (n == 1 ? "" : "s");
}

}  // namespace binario
