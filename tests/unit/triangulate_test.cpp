// Ear clipping: the pieces cover the outline exactly once, whatever its shape.
#include "core/triangulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace vx {
namespace {

using Outline = std::vector<std::array<double, 3>>;

double shoelace(const Outline& o) {
    double twice = 0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const auto &a = o[i], &b = o[(i + 1) % o.size()];
        twice += a[0] * b[1] - b[0] * a[1];
    }
    return twice / 2;
}

Outline cornersOf(const Outline& o, const OutlinePiece& piece) {
    Outline out;
    for (std::size_t k = 0; k < 4; ++k)
        if (k < 3 || piece[3] != piece[2]) out.push_back(o[piece[k]]);
    return out;
}

// Two convex pieces overlap when no edge of either separates them by more than rounding.
bool overlap(const Outline& a, const Outline& b) {
    for (const Outline* shape : {&a, &b}) {
        const Outline& s = *shape;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto &p = s[i], &q = s[(i + 1) % s.size()];
            const double nx = q[1] - p[1], ny = p[0] - q[0];
            const auto side = [&](const std::array<double, 3>& v) { return nx * (v[0] - p[0]) + ny * (v[1] - p[1]); };
            double lowA = HUGE_VAL, lowB = HUGE_VAL;
            for (const auto& v : a) lowA = std::min(lowA, -side(v));
            for (const auto& v : b) lowB = std::min(lowB, -side(v));
            const double tolerance = 1e-9 * (std::fabs(nx) + std::fabs(ny) + 1);
            if (lowA > -tolerance || lowB > -tolerance) return false;  // one lies wholly on the outer side
        }
    }
    return true;
}

// Area equal to the outline's, every piece turning the outline's way and convex, no two
// overlapping: together they cover the outline exactly once.
void expectExactCover(const Outline& outline) {
    const std::vector<OutlinePiece> pieces = splitOutline(outline);
    double area = 0;
    std::vector<Outline> shapes;
    for (const OutlinePiece& piece : pieces) {
        shapes.push_back(cornersOf(outline, piece));
        const double a = shoelace(shapes.back());
        EXPECT_GT(a, 0.0);
        EXPECT_TRUE(outlineIsConvex(shapes.back()));
        area += a;
    }
    EXPECT_NEAR(area, shoelace(outline), 1e-9 * std::fabs(shoelace(outline)) + 1e-9);
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t j = i + 1; j < shapes.size(); ++j)
            ASSERT_FALSE(overlap(shapes[i], shapes[j])) << "pieces " << i << " and " << j;
}

// A star-shaped outline of random radii: concave at many corners, never crossing itself.
Outline randomStar(std::mt19937& random, std::size_t corners) {
    std::uniform_real_distribution<double> radius(1000, 10000);  // rounding moves no corner past another
    Outline out;
    for (std::size_t i = 0; i < corners; ++i) {
        const double angle = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(corners);
        const double r = std::round(radius(random));
        out.push_back({std::round(r * std::cos(angle)), std::round(r * std::sin(angle)), 0});
    }
    return out;
}

// Midpoints on some edges: corners on a straight line.
Outline withStraightCorners(std::mt19937& random, const Outline& o) {
    Outline out;
    for (std::size_t i = 0; i < o.size(); ++i) {
        out.push_back(o[i]);
        const auto& n = o[(i + 1) % o.size()];
        if (random() % 2) out.push_back({(o[i][0] + n[0]) / 2, (o[i][1] + n[1]) / 2, 0});
    }
    return out;
}

TEST(OutlineSplit, randomConcaveOutlinesAreCoveredOnce) {
    std::mt19937 random(34);
    for (int round = 0; round < 200; ++round) expectExactCover(randomStar(random, 5 + random() % 40));
}

TEST(OutlineSplit, straightCornersAddNoPieceAndLoseNoArea) {
    std::mt19937 random(35);
    for (int round = 0; round < 100; ++round)
        expectExactCover(withStraightCorners(random, randomStar(random, 5 + random() % 20)));
    // A square with a corner in the middle of every side is still one quad.
    const Outline square{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}};
    EXPECT_EQ(splitOutline(square).size(), 1u);
    expectExactCover(square);
}

TEST(OutlineSplit, manyCornersAndCombShapes) {
    std::mt19937 random(36);
    expectExactCover(randomStar(random, 1000));
    Outline comb;  // teeth pointing up: every valley is a corner no fan may cross
    for (int t = 0; t < 50; ++t) {
        comb.push_back({t * 4.0, 0, 0});
        comb.push_back({t * 4.0 + 2, 0, 0});
    }
    Outline up(comb);
    for (int t = 49; t >= 0; --t) {
        up.push_back({t * 4.0 + 2, 10, 0});
        up.push_back({t * 4.0 + 1, 10, 0});
        up.push_back({t * 4.0 + 1, 1, 0});
        up.push_back({t * 4.0, 1, 0});
    }
    expectExactCover(up);
}

// A square ring written as one outline: round the outside, along a cut, round the hole the
// other way, and back along the cut. The hole stays open.
TEST(OutlineSplit, ringClosedByACutLeavesItsHoleOpen) {
    const Outline ring{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0},
                       {3, 3, 0}, {3, 7, 0},  {7, 7, 0},   {7, 3, 0},  {3, 3, 0}};
    expectExactCover(ring);
    double area = 0;
    for (const OutlinePiece& piece : splitOutline(ring)) area += shoelace(cornersOf(ring, piece));
    EXPECT_DOUBLE_EQ(area, 100.0 - 16.0);
}

// The same outlines tilted into a plane of 3-D and wound the other way keep their pieces' order.
TEST(OutlineSplit, tiltedAndClockwiseOutlinesSplitInTheirOwnPlane) {
    std::mt19937 random(37);
    for (int round = 0; round < 50; ++round) {
        Outline flat = randomStar(random, 5 + random() % 30);
        if (round % 2) std::reverse(flat.begin(), flat.end());
        Outline tilted;
        for (const auto& p : flat) tilted.push_back({p[0], p[1] * 0.6, p[1] * 0.8});
        const auto flatPieces = splitOutline(flat), tiltedPieces = splitOutline(tilted);
        EXPECT_EQ(flatPieces, tiltedPieces);
        double area = 0;
        for (const OutlinePiece& piece : flatPieces) area += shoelace(cornersOf(flat, piece));
        EXPECT_NEAR(area, shoelace(flat), 1e-6);  // negative for the clockwise ones: the order was kept
    }
}

TEST(OutlineSplit, outlinesWithoutAreaGiveNoPiece) {
    EXPECT_TRUE(splitOutline(Outline{{0, 0, 0}, {1, 1, 1}}).empty());
    EXPECT_TRUE(splitOutline(Outline{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}).empty());
}

}  // namespace
}  // namespace vx
