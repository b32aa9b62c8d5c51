// Thinning a polyline for drawing: the points that can go without the line moving
// by more than a tolerance.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace binario {

struct point_2d {
    double x = 0.0;
    double y = 0.0;
};

// Simplification of a polyline: the indices of the points kept, first and last
// always included, such that every point left out lies within `tolleranza` of the
// segment of kept points around it. A linear thinning pass, then Douglas-Peucker
// (iterative, so a million points need no deep recursion) on stretches of at most
// 512 points.
std::vector<size_t> simplify_polyline(std::span<const point_2d> punti, double tolleranza);

}  // namespace binario
