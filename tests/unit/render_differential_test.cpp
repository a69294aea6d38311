// The renderer against a literal reference on random frames: every colour, depth and pick value,
// the projected vertex table, the normals and the facing must agree, bit for bit, with any number
// of drawing threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>

#include "render/frame.h"
#include "render/polygon_fill.h"
#include "render/render_threads.h"
#include "support/reference_renderer.h"

namespace vx::test {
namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int defaultFrames = 300;  // every pixel write is watched
#elif defined(__SANITIZE_ADDRESS__)
constexpr int defaultFrames = 1000;  // the sanitizers slow both renderers several times
#else
constexpr int defaultFrames = 3000;
#endif

int frameCount() {
    const char* wanted = std::getenv("VX_DIFFERENTIAL_FRAMES");  // more for a longer local run
    return wanted ? std::atoi(wanted) : defaultFrames;
}

// Random scenes built to reach every branch: small and off-screen geometry, views from inside
// the model, large zoom, degenerate polygons, selections, and screens of any size.
class SceneMaker {
public:
    explicit SceneMaker(uint32_t seed) : random(seed) {}

    void make(EditorState& s) {
        const bool full = chance(0.03);
        const int32_t width = full ? 800 : between(3, 140), height = full ? 600 : between(3, 110);
        if (width != s.screen.screenWidth || height != s.screen.screenHeight)
            allocateScreenBuffers(s, width, height, nullptr);
        makeModel(s, full ? 400 : 40);
        makeView(s);
        makeBackground(s);
    }

    // A few polygons large enough to fill much of an 800x600 screen, filled: their boxes hold up
    // to hundreds of thousands of pixels, beyond the sizes at which a polygon is settled.
    void makeLarge(EditorState& s) {
        if (s.screen.screenWidth != 800 || s.screen.screenHeight != 600) allocateScreenBuffers(s, 800, 600, nullptr);
        makeModel(s, 6);
        for (int32_t i = 0; i < s.model.vertexCount; ++i)
            s.model.vertices[i] = {between(-300, 300), between(-300, 300), between(-300, 300)};
        makeView(s);
        s.camera.distance = between(450, 1500);
        s.camera.zoom = static_cast<float>(between(200, 900));
        s.camera.panX = s.camera.panY = 0;
        s.camera.drawdepth = 100000;
        s.shadeStyle = static_cast<uint8_t>(between(1, 2));
        s.background.hasBackground = 0;
    }

private:
    std::mt19937 random;

    int32_t between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }
    // Spread over orders of magnitude, as zoom and distances are in use.
    double logUniform(double low, double high) {
        return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(random));
    }
    uint16_t vertexOf(const EditorState& s) { return static_cast<uint16_t>(between(0, s.model.vertexCount - 1)); }

    void makeModel(EditorState& s, int32_t most) {
        Model& m = s.model;
        m.vertexCount = between(1, most);
        const int32_t reach = chance(0.2) ? 3000 : chance(0.5) ? 300 : 60;
        for (int32_t i = 0; i < m.vertexCount; ++i) {
            m.vertices[i] = chance(0.1) && i > 0
                                ? m.vertices[between(0, i - 1)]  // a repeated point
                                : Vertex{between(-reach, reach), between(-reach, reach), between(-reach, reach)};
        }
        m.polygonCount = between(0, most);
        // With every polygon two-sided, filled polygons are drawn nearest first; copies of earlier
        // polygons (the same surface drawn twice) tie with them at every pixel.
        const bool allTwoSided = chance(0.4);
        const bool coloured = chance(0.6);
        makePalette(m);
        for (int32_t i = 0; i < m.polygonCount; ++i) {
            Polygon& p = m.polygons[i];
            p.slots = {vertexOf(s), vertexOf(s), vertexOf(s), vertexOf(s)};
            if (chance(0.3)) p.slots[3] = p.slots[2];  // a triangle
            if (i > 0 && chance(0.1)) p.slots = m.polygons[between(0, i - 1)].slots;
            p.flags = allTwoSided || chance(0.5) ? twoSidedFlag : static_cast<uint16_t>(between(0, 0x7FFF));
            if (coloured) p.flags = static_cast<uint16_t>((p.flags & ~colourMask) | between(0, chance(0.2) ? 0 : 31));
        }
        m.lineCount = between(0, most);
        for (int32_t i = 0; i < m.lineCount; ++i) m.lines[i] = {vertexOf(s), vertexOf(s)};
        s.selection.vertexCount = between(0, std::min(4, m.vertexCount));
        for (int32_t k = 0; k < 4; ++k) s.selection.vertices[k] = vertexOf(s);
        s.selection.polygon = chance(0.5) && m.polygonCount > 0 ? -between(1, m.polygonCount) : 0;
    }

    // Random colours, with channels of 0 and 255 (which draw as a mask of the grey) among them.
    void makePalette(Model& m) {
        m.palette = builtinPalette;
        if (chance(0.3)) return;
        for (uint32_t& entry : m.palette) {
            entry = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t channel = chance(0.2) ? 0 : chance(0.2) ? 255 : static_cast<uint32_t>(between(0, 255));
                entry |= channel << shift;
            }
        }
    }

    void makeView(EditorState& s) {
        Camera& c = s.camera;
        c.axy = static_cast<float>(between(-7000, 7000)) / 1000.0f;
        c.axz = chance(0.2) ? 0.0f : static_cast<float>(between(-7000, 7000)) / 1000.0f;
        c.ayz = chance(0.2) ? pi / 2 : static_cast<float>(between(-7000, 7000)) / 1000.0f;
        c.distance = static_cast<int32_t>(logUniform(1, 5000));
        c.zoom = static_cast<float>(logUniform(1, chance(0.2) ? 50000 : 500));
        c.panX = between(-s.screen.screenWidth, s.screen.screenWidth) / 2;
        c.panY = between(-s.screen.screenHeight, s.screen.screenHeight) / 2;
        c.drawdepth = static_cast<int32_t>(logUniform(1, 10000));
        c.orthographic = chance(0.3) ? 1 : 0;
        s.showFlags = static_cast<uint8_t>(chance(0.7) ? 7 : between(0, 7));
        s.shadeStyle = static_cast<uint8_t>(between(0, 2));
    }

    void makeBackground(EditorState& s) {
        s.background.hasBackground = chance(0.1) ? 1 : 0;
        s.background.backgroundWidth = between(-10, s.screen.screenWidth + 10);
        s.background.backgroundHeight = between(-10, s.screen.screenHeight + 10);
        for (uint32_t& pixel : s.screen.backgroundImage) pixel = static_cast<uint32_t>(random()) & 0xFFFFFF;
    }
};

// A missing normal is NaN in both, whatever its payload.
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

// The first difference, as text; empty when the frames agree.
std::string firstDifference(const EditorState& s, const ReferenceFrame& r) {
    for (int32_t x = 0; x < r.width; ++x) {
        for (int32_t y = 0; y < r.height; ++y) {
            const std::size_t ours = pixelIndex(s.screen, x, y), theirs = static_cast<std::size_t>(x) * r.height + y;
            if (s.screen.colorBuffer[ours] != r.color[theirs] || s.screen.depthBuffer[ours] != r.depth[theirs] ||
                s.screen.pickBuffer[ours] != r.pick[theirs])
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    for (int32_t i = 0; i < s.model.vertexCount; ++i)
        if (std::memcmp(&s.projected[i], &r.projected[i], sizeof(ProjectedVertex)) != 0)
            return "projected vertex " + std::to_string(i);
    for (int32_t i = 0; i < s.model.polygonCount; ++i) {
        const Normal &a = s.polygonNormals[i], &b = r.normals[i];
        if (!sameBits(a.x, b.x) || !sameBits(a.y, b.y) || !sameBits(a.z, b.z) ||
            !sameBits(s.polygonFacing[i], r.facing[i]))
            return "normal of polygon " + std::to_string(i);
    }
    return {};
}

class RenderDifferential : public testing::Test {
protected:
    RenderDifferential() { initEditorState(s); }
    ~RenderDifferential() override {
        setRenderThreads(0);
        useFillForEveryProcessor(false);
    }

    // 48 frames of models made by `build(model, between)` on an empty model and seen straight
    // on, a model unit a pixel at z = 0 (screen column x + 100, row y + 75), with one or two
    // threads, both builds of the polygon pass and both filled styles.
    template <class Build>
    void compareStraightOn(uint32_t seed, Build build, int32_t width = 200, int32_t height = 150, int frames = 48) {
        std::mt19937 random(seed);
        const auto between = [&](int32_t low, int32_t high) {
            return std::uniform_int_distribution<int32_t>(low, high)(random);
        };
        allocateScreenBuffers(s, width, height, nullptr);
        for (int frame = 0; frame < frames; ++frame) {
            setRenderThreads(frame % 2 + 1);
            useFillForEveryProcessor(frame / 2 % 2 == 1);
            s.camera = {0.0f, 0.0f, 0.0f, 500, 500.0f, 0, 0, 100000, 0};
            s.shadeStyle = static_cast<uint8_t>(frame / 4 % 2 + 1);
            s.showFlags = 4;
            s.model.vertexCount = s.model.polygonCount = s.model.lineCount = 0;
            build(s.model, between);
            ASSERT_TRUE(renderReference(s, s.projected, *reference, 40'000'000));
            composeFrame(s);
            ASSERT_EQ(firstDifference(s, *reference), "") << "frame " << frame << ", style " << int{s.shadeStyle};
        }
    }

    std::unique_ptr<EditorState> owned = std::make_unique<EditorState>();
    EditorState& s = *owned;
    std::unique_ptr<ReferenceFrame> reference = std::make_unique<ReferenceFrame>();
};

// A two-sided polygon on four new vertices, slots 0 to 3 in order.
void addPolygon(Model& m, const std::array<Vertex, 4>& corners) {
    const auto v = static_cast<uint16_t>(m.vertexCount);
    for (const Vertex& corner : corners) m.vertices[m.vertexCount++] = corner;
    m.polygons[m.polygonCount++] = {
        {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(v + 2), static_cast<uint16_t>(v + 3)}, twoSidedFlag};
}

TEST_F(RenderDifferential, everyOutputValueMatchesTheLiteralRendererOnRandomFrames) {
    SceneMaker maker(20261207);
    const int threadCounts[] = {1, 2, 3, 4};
    int compared = 0, styles[3] = {};
    for (int frame = 0; compared < frameCount(); ++frame) {
        setRenderThreads(threadCounts[frame / 100 % 4]);
        useFillForEveryProcessor(frame % 2 == 1);  // both builds of the polygon pass, where there are two
        maker.make(s);
        if (!renderReference(s, s.projected, *reference, 4'000'000)) continue;  // a walk too long to wait for
        // With several bands, the frame is drawn again: the second time the bands split the rows
        // by the first frame's times, unevenly.
        for (int again = renderThreads() > 1 ? 2 : 1; again > 0; --again) composeFrame(s);
        ++compared;
        ++styles[s.shadeStyle];
        const std::string difference = firstDifference(s, *reference);
        ASSERT_EQ(difference, "") << "frame " << frame << ", style " << int{s.shadeStyle} << ", " << renderThreads()
                                  << " threads, screen " << s.screen.screenWidth << "x" << s.screen.screenHeight;
    }
    EXPECT_GT(std::min({styles[0], styles[1], styles[2]}), 0);
}

TEST_F(RenderDifferential, largeFilledPolygonsMatchTheLiteralRendererWithOneThreadOrTwo) {
    SceneMaker maker(20261208);
    for (int frame = 0; frame < std::max(frameCount() / 20, 10); ++frame) {
        setRenderThreads(frame % 2 + 1);
        useFillForEveryProcessor(frame / 2 % 2 == 1);
        maker.make(s);  // random selections and flags, then large polygons over them
        maker.makeLarge(s);
        if (!renderReference(s, s.projected, *reference, 40'000'000)) continue;
        composeFrame(s);
        ASSERT_EQ(firstDifference(s, *reference), "") << "frame " << frame << ", style " << int{s.shadeStyle};
    }
}

// Parallelograms seen straight on, their corners on whole pixels, so that every sample has a
// whole coordinate and covers one or two pixels rather than four; and floors running far into
// the distance, whose depths may span more than a per-sample key holds.
TEST_F(RenderDifferential, samplesOnWholePixelsAndDeepFloorsMatchTheLiteralRenderer) {
    compareStraightOn(20261209, [](Model& m, const auto& between) {
        // Slots 0 -> 3 is the sweep (dx1, dy1), slots 0 -> 1 the first span (dx2, dy2).
        const auto quad = [&](Vertex a, int32_t dx1, int32_t dy1, int32_t dx2, int32_t dy2, int32_t dz) {
            addPolygon(m, {a, Vertex{a.x + dx2, a.y + dy2, a.z}, Vertex{a.x + dx1 + dx2, a.y + dy1 + dy2, a.z + dz},
                           Vertex{a.x + dx1, a.y + dy1, a.z + dz}});
        };
        for (int k = between(1, 6); k > 0; --k) {
            const Vertex corner{between(-110, 60), between(-85, 45), 0};
            const int32_t w = between(1, 50), h = between(1, 40), shear = between(-15, 15);
            if (k % 2 == 0)
                quad(corner, shear, h, w, 0, 0);  // whole rows: blocks one row high
            else
                quad(corner, w, shear, 0, h, 0);  // whole columns: blocks one column wide
        }
        // A floor from just below the screen far into the distance.
        quad({between(-300, -50), 60, between(-300, -230)}, 0, -40, between(100, 350), 0, between(500, 90000));
    });
}

// Squares of more than a million pixels at random turns, on a screen a little larger: with one
// thread, beyond what a polygon drawn straight into the frame gathers for its outline mend as it
// is swept.
TEST_F(RenderDifferential, polygonsOfAMillionPixelsMatchTheLiteralRenderer) {
    compareStraightOn(
        20261211,
        [](Model& m, const auto& between) {
            const double turn = between(0, 359) * std::numbers::pi / 180.0;
            std::array<Vertex, 4> corners{};
            for (int i = 0; i < 4; ++i) {
                const double angle = turn + i * std::numbers::pi / 2.0;
                corners[static_cast<std::size_t>(i)] = {static_cast<int32_t>(std::lround(740.0 * std::cos(angle))),
                                                        static_cast<int32_t>(std::lround(740.0 * std::sin(angle))), 0};
            }
            addPolygon(m, corners);
        },
        1500, 1500, 6);
}

// A wall seen straight on with narrow gaps, many of them at either end of a run of 32 columns,
// and small squares behind it that show only through the gaps: a square wrongly found hidden
// leaves its gap empty.
TEST_F(RenderDifferential, squaresBehindAWallWithGapsMatchTheLiteralRenderer) {
    compareStraightOn(20261210, [](Model& m, const auto& between) {
        const auto rectangle = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) {
            addPolygon(m, {Vertex{x0, y0, z}, Vertex{x1, y0, z}, Vertex{x1, y1, z}, Vertex{x0, y1, z}});
        };
        // Strips of the wall, each covering columns x..gap-1, and one-column gaps between them.
        for (int32_t x = -100; x < 100;) {
            const int32_t run = (x + 100) / 32 * 32 - 100;
            const int32_t gap = between(0, 2) == 0 ? between(x + 1, x + 40) : run + 32 + between(-1, 0);
            if (gap > x) rectangle(x, -60, gap, 60, 0);
            x = std::max(gap, x) + 1;
        }
        for (int k = between(4, 16); k > 0; --k) {
            const int32_t x = between(-120, 110), y = between(-80, 70), size = between(2, 14);
            rectangle(x, y, x + size, y + size, between(1, 300));
        }
    });
}

}  // namespace
}  // namespace vx::test
