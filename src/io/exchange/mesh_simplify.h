// Making an exchange mesh small enough for the editor's tables.
#pragma once

#include <cstddef>

#include "io/exchange/exchange_mesh.h"

namespace vx {

struct SimplifyLimits {
    std::size_t polygons;  // at most this many faces, each a triangle
    std::size_t points;    // at most this many points, whatever uses them
    std::size_t lines;     // lines past this many are dropped
};

struct SimplifyReport {
    std::size_t pointsBefore, facesBefore, linesBefore;
    std::size_t pointsAfter, facesAfter, linesAfter;
    double relativeError;  // largest deviation as a share of the model's extent
    bool mixedSidesLost;   // some faces were two-sided and some not; all came out one-sided
};

// Welds equal positions, then reduces the faces (as triangles, borders kept in place) and, when
// still needed, the free points, until the mesh fits the limits; lines past the limit are
// dropped. Surviving points keep the file's order. False, with the mesh unchanged, when a
// coordinate is not a finite single-precision number or the lines' own end points do not fit.
bool simplifyMesh(ExchangeMesh& mesh, const SimplifyLimits& limits, SimplifyReport& report);

}  // namespace vx
