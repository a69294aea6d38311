// The STL writer: triangles with unit normals, a quad split on its 0-2 diagonal.
#include <array>
#include <cmath>

#include "io/byte_order.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

using Triangle = std::array<std::array<double, 3>, 3>;

std::vector<Triangle> trianglesOf(const ExportTables& tables) {
    std::vector<Triangle> out;
    const auto point = [&](uint32_t i) {
        const auto& p = tables.points[i];
        return std::array<double, 3>{static_cast<double>(p[0]) * tables.scale, static_cast<double>(p[1]) * tables.scale,
                                     static_cast<double>(p[2]) * tables.scale};
    };
    for (const ExportFace& f : tables.faces) {
        out.push_back({point(f.corners[0]), point(f.corners[1]), point(f.corners[2])});
        if (f.cornerCount == 4) out.push_back({point(f.corners[0]), point(f.corners[2]), point(f.corners[3])});
    }
    return out;
}

// Counter-clockwise corners give the outward normal; a degenerate triangle gets (0, 0, 0).
std::array<double, 3> normalOf(const Triangle& t) {
    const double ux = t[1][0] - t[0][0], uy = t[1][1] - t[0][1], uz = t[1][2] - t[0][2];
    const double vx = t[2][0] - t[0][0], vy = t[2][1] - t[0][1], vz = t[2][2] - t[0][2];
    const std::array<double, 3> n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0)) return {0.0, 0.0, 0.0};
    return {n[0] / length, n[1] / length, n[2] / length};
}

// Whole coordinates are written as such; scaled ones as fixed-point fractions.
std::string asciiStl(const std::vector<Triangle>& triangles, bool whole) {
    std::string out = "solid vxtool\n";
    for (const Triangle& t : triangles) {
        const auto n = normalOf(t);
        out += "  facet normal ";
        for (std::size_t k = 0; k < 3; ++k) out += fractionText(n[k]) + (k == 2 ? "\n" : " ");
        out += "    outer loop\n";
        for (const auto& p : t)
            out += "      vertex " +
                   (whole ? integerWords(
                                {static_cast<int64_t>(p[0]), static_cast<int64_t>(p[1]), static_cast<int64_t>(p[2])})
                          : fractionText(p[0]) + " " + fractionText(p[1]) + " " + fractionText(p[2])) +
                   "\n";
        out += "    endloop\n  endfacet\n";
    }
    return out + "endsolid vxtool\n";
}

// The 80-byte header must not start with "solid", or readers take the file for text.
std::string binaryStl(const std::vector<Triangle>& triangles) {
    std::string out = "binary STL written by vxtool";
    out.resize(80, ' ');
    appendLe32(out, static_cast<uint32_t>(triangles.size()));
    for (const Triangle& t : triangles) {
        for (double c : normalOf(t)) appendFloat(out, static_cast<float>(c));
        for (const auto& p : t)
            for (double c : p) appendFloat(out, static_cast<float>(c));
        appendLe16(out, 0);
    }
    return out;
}

}  // namespace

std::string writeStl(const ExportTables& tables, bool ascii) {
    const std::vector<Triangle> triangles = trianglesOf(tables);
    return ascii ? asciiStl(triangles, inEditorUnits(tables)) : binaryStl(triangles);
}

}  // namespace vx
