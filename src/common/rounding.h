// Rounding of the system: to the nearest whole number, ties to the even one.
#pragma once

#include <cmath>
#include <cstdint>

namespace binario {

// round(x): 1.5 gives 2, 2.5 gives 2, -0.5 gives 0. Uses the default IEEE
// rounding mode (round to nearest, ties to even); nothing in the program changes it.
inline double arrotonda_reale(double x) {
    return std::nearbyint(x);
}

// round(x) as a whole number; x must lie well within the int64 range.
inline int64_t arrotonda(double x) {
    return static_cast<int64_t>(std::nearbyint(x));
}

}  // namespace binario
