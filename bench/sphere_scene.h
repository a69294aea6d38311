// The closed sphere both frame benchmarks draw: 50 rings x 100 segments, all polygons two-sided.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/editor_state.h"

namespace vx::bench {

inline constexpr int sphereRings = 50;      // bands between the poles
inline constexpr int sphereSegments = 100;  // around each ring
inline constexpr double sphereRadius = 350.0;

// Vertex 0 is the top pole, then rings 1..49 of 100 vertices, then the bottom pole (4902 in all).
// 5000 polygons: the rows at the poles are triangles stored (a, b, c, c); 4900 lines run along
// the rings. The view turns the sphere a little and puts the viewer just outside it.
inline void buildSphere(EditorState& s) {
    constexpr double halfTurn = 3.141592653589793;
    const auto ringVertex = [](int ring, int segment) {
        return static_cast<uint16_t>(1 + (ring - 1) * sphereSegments + segment % sphereSegments);
    };
    const auto bottom = static_cast<uint16_t>(1 + (sphereRings - 1) * sphereSegments);
    const auto r = [](double v) { return static_cast<int32_t>(std::lround(v)); };
    s.model.vertices[0] = {0, r(-sphereRadius), 0};
    for (int ring = 1; ring < sphereRings; ++ring) {
        const double theta = halfTurn * ring / sphereRings;
        for (int segment = 0; segment < sphereSegments; ++segment) {
            const double phi = 2.0 * halfTurn * segment / sphereSegments;
            s.model.vertices[ringVertex(ring, segment)] = {r(sphereRadius * std::sin(theta) * std::cos(phi)),
                                                           r(-sphereRadius * std::cos(theta)),
                                                           r(sphereRadius * std::sin(theta) * std::sin(phi))};
        }
    }
    s.model.vertices[bottom] = {0, r(sphereRadius), 0};
    int polygons = 0, lines = 0;
    for (int segment = 0; segment < sphereSegments; ++segment) {
        const uint16_t a = ringVertex(1, segment), b = ringVertex(1, segment + 1);
        s.model.polygons[static_cast<std::size_t>(polygons++)] = {{0, b, a, a}, twoSidedFlag};
        for (int ring = 1; ring + 1 < sphereRings; ++ring) {
            s.model.polygons[static_cast<std::size_t>(polygons++)] = {
                {ringVertex(ring, segment), ringVertex(ring, segment + 1), ringVertex(ring + 1, segment + 1),
                 ringVertex(ring + 1, segment)},
                twoSidedFlag};
        }
        const uint16_t c = ringVertex(sphereRings - 1, segment), d = ringVertex(sphereRings - 1, segment + 1);
        s.model.polygons[static_cast<std::size_t>(polygons++)] = {{bottom, c, d, d}, twoSidedFlag};
        for (int ring = 1; ring < sphereRings; ++ring)
            s.model.lines[static_cast<std::size_t>(lines++)] = {ringVertex(ring, segment),
                                                                ringVertex(ring, segment + 1)};
    }
    s.model.vertexCount = bottom + 1;
    s.model.polygonCount = polygons;
    s.model.lineCount = lines;
    s.camera.axy = 0.3f;
    s.camera.axz = 0.5f;
    s.camera.ayz = 0.2f;
    s.camera.distance = 400;
    s.camera.zoom = 200.0f;
    s.camera.drawdepth = 100000;
    s.showFlags = 7;
}

}  // namespace vx::bench
