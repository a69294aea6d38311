// Imported models at a usable size: the automatic fit, --scale 1, and --simplify for models past
// the tables' limits.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "io/exchange/mesh_simplify.h"
#include "io/exchange/model_import.h"
#include "io/file_test_support.h"
#include "render/frame.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

// A UV sphere as an OBJ, y up: 2 * segments * (rings - 1) triangles.
std::string sphereObj(double radius, int rings, int segments) {
    std::ostringstream obj;
    obj.precision(9);
    obj << "v 0 " << radius << " 0\n";
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double t = M_PI * i / rings, p = 2 * M_PI * j / segments;
            obj << "v " << radius * std::sin(t) * std::cos(p) << ' ' << radius * std::cos(t) << ' '
                << radius * std::sin(t) * std::sin(p) << "\n";
        }
    obj << "v 0 " << -radius << " 0\n";
    const auto ring = [&](int i, int j) { return 2 + (i - 1) * segments + (j % segments); };
    const int last = 2 + (rings - 1) * segments;
    for (int j = 0; j < segments; ++j) obj << "f 1 " << ring(1, j + 1) << ' ' << ring(1, j) << "\n";
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            obj << "f " << ring(i, j) << ' ' << ring(i, j + 1) << ' ' << ring(i + 1, j + 1) << "\n";
            obj << "f " << ring(i, j) << ' ' << ring(i + 1, j + 1) << ' ' << ring(i + 1, j) << "\n";
        }
    for (int j = 0; j < segments; ++j) obj << "f " << ring(rings - 1, j) << ' ' << ring(rings - 1, j + 1) << ' ' << last << "\n";
    return obj.str();
}

struct Bounds {
    Vertex low, high;
};

Bounds boundsOf(const Model& m) {
    Bounds b{m.vertices[0], m.vertices[0]};
    for (int32_t i = 1; i < m.vertexCount; ++i) {
        const Vertex& v = m.vertices[static_cast<std::size_t>(i)];
        b.low = {std::min(b.low.x, v.x), std::min(b.low.y, v.y), std::min(b.low.z, v.z)};
        b.high = {std::max(b.high.x, v.x), std::max(b.high.y, v.y), std::max(b.high.z, v.z)};
    }
    return b;
}

class Sizing : public InTempFolder {
protected:
    // Converts, keeping what vxtool said on standard error.
    int convert(std::vector<std::string> files, tool::ConvertOptions options = {}) {
        options.files = std::move(files);
        testing::internal::CaptureStderr();
        const int status = tool::runConvert(options);
        stderrText = testing::internal::GetCapturedStderr();
        return status;
    }
    std::unique_ptr<EditorState> read(const std::string& path) {
        auto state = tool::makeToolState();
        std::string error;
        EXPECT_TRUE(tool::readModel(path, {}, *state, error)) << error;
        return state;
    }
    bool said(const std::string& text) const { return stderrText.find(text) != std::string::npos; }
    std::string stderrText;
};

// Columns and rows the model covers in the editor's start view.
std::pair<int, int> coveredSpan(EditorState& state) {
    allocateScreenBuffers(state, 800, 600, nullptr);
    composeFrame(state);
    int left = 800, right = -1, top = 600, bottom = -1;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (state.screen.pickBuffer[pixelIndex(state.screen, x, y)] != 0) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return {right - left + 1, bottom - top + 1};
}

// A sphere of radius 1, as most files in metres hold it, would round onto 26 points; fitted to
// the default cube's size it keeps every vertex and fills the start view as the cube does.
TEST_F(Sizing, aUnitSphereIsFittedToTheDefaultCubesSizeUnlessScaleOneIsGiven) {
    writeFile("sphere.obj", bytesOf(sphereObj(1.0, 24, 48)));
    ASSERT_EQ(convert({"sphere.obj", "sphere.vx"}), 0) << stderrText;
    EXPECT_TRUE(said("scaled by 100 and centred to a largest extent of 200 units")) << stderrText;
    EXPECT_FALSE(said("merged")) << stderrText;
    auto fitted = read("sphere.vx");
    const Bounds b = boundsOf(fitted->model);
    EXPECT_EQ(b.low.x, -100);
    EXPECT_EQ(b.high.y, 100);
    EXPECT_EQ(fitted->model.polygonCount, 2 * 48 * 23);
    auto cube = tool::makeToolState();
    const auto [cubeWidth, cubeHeight] = coveredSpan(*cube);
    const auto [width, height] = coveredSpan(*fitted);
    EXPECT_GT(width, cubeWidth * 2 / 3);
    EXPECT_LE(width, cubeWidth);
    EXPECT_GT(height, cubeHeight * 2 / 3);

    tool::ConvertOptions asIs;
    asIs.scale = 1.0;
    ASSERT_EQ(convert({"sphere.obj", "kept.vx"}, asIs), 0);
    EXPECT_FALSE(said("scaled by")) << stderrText;
    const Bounds kept = boundsOf(read("kept.vx")->model);
    EXPECT_EQ(kept.low.x, -1);
    EXPECT_EQ(kept.high.y, 1);
}

// Only a small model, or one whose rounding would merge points and that scaling up can help,
// changes size; a model in whole units keeps its coordinates to the unit.
TEST_F(Sizing, theAutomaticFitLeavesModelsInWholeUnitsAlone) {
    struct Case {
        const char* obj;
        bool fitted;
    };
    const Case cases[] = {
        {"v 0 0 0\nv 100 0 0\nv 0 300 7\nf 1 2 3\n", false},
        {"v 0 0 0\nv 63.5 0 0\nv 0 2 0\nf 1 2 3\n", true},     // small
        {"v 0 0 0\nv 100 0 0\nv 0.4 0 0\nf 1 2 3\n", true},    // 0.4 would round onto 0
        {"v 0 0 0\nv 1000 0 0\nv 0.4 0 0\nf 1 2 3\n", false},  // 200 units would merge it all the same
        {"v 5 5 5\nv 5 5 5\nv 5 5 5\nf 1 2 3\n", false},          // nothing to measure
    };
    for (const Case& c : cases) {
        writeFile("m.obj", bytesOf(c.obj));
        const int status = convert({"m.obj", "m.vx"});
        EXPECT_EQ(status, 0) << c.obj << stderrText;
        EXPECT_EQ(said("scaled by"), c.fitted) << c.obj << stderrText;
    }
}

// A model past the limits names the file's own counts and the way out; --simplify brings it
// within them, says by how much and how far the surface moved, and a target lowers it further.
TEST_F(Sizing, aHundredThousandTriangleSphereIsRefusedThenSimplifiedToFit) {
    writeFile("big.obj", bytesOf(sphereObj(1.0, 251, 200)));
    EXPECT_EQ(convert({"big.obj", "big.vx"}), 1);
    EXPECT_TRUE(said("100000 faces")) << stderrText;
    EXPECT_TRUE(said("--simplify")) << stderrText;
    EXPECT_FALSE(fs::exists("big.vx"));

    tool::ConvertOptions simplify;
    simplify.simplify = true;
    ASSERT_EQ(convert({"big.obj", "big.vx"}, simplify), 0) << stderrText;
    EXPECT_TRUE(said("simplified from")) << stderrText;
    EXPECT_TRUE(said("relative error")) << stderrText;
    auto state = read("big.vx");
    EXPECT_LE(state->model.polygonCount, maxPolygons);
    EXPECT_GT(state->model.polygonCount, maxPolygons * 9 / 10);
    EXPECT_LE(state->model.vertexCount, maxVertices);
    const Bounds b = boundsOf(state->model);
    EXPECT_EQ(b.high.x - b.low.x, 200);  // the shape survives, fitted as any metre-sized model

    simplify.simplifyTo = 800;
    ASSERT_EQ(convert({"big.obj", "small.vx"}, simplify), 0) << stderrText;
    EXPECT_LE(read("small.vx")->model.polygonCount, 800);
    EXPECT_GT(read("small.vx")->model.polygonCount, 600);
}

// Lines past the limit are dropped with a note; free points past it are thinned; the points
// that survive keep the file's order.
TEST(SimplifyMesh, dropsLinesAndThinsFreePointsKeepingTheFilesOrder) {
    ExchangeMesh mesh;
    for (int i = 0; i < 8000; ++i) mesh.points.push_back({double(i % 97), double(i / 97), double(i % 13)});
    for (uint32_t i = 0; i + 1 < 300; ++i) mesh.lines.push_back({i, i + 1});
    SimplifyReport report{};
    ASSERT_TRUE(simplifyMesh(mesh, {100, 1000, 200}, report));
    EXPECT_EQ(report.linesBefore, 299u);
    EXPECT_EQ(mesh.lines.size(), 200u);
    EXPECT_LE(mesh.points.size(), 1000u);
    EXPECT_GT(mesh.points.size(), 500u);
    for (uint32_t i = 0; i < 200; ++i) EXPECT_EQ(mesh.points[mesh.lines[i][1]][0], double((i + 1) % 97)) << i;
    for (std::size_t i = 1; i < mesh.points.size(); ++i) {
        const auto& a = mesh.points[i - 1];
        const auto& b = mesh.points[i];
        EXPECT_LT(a[1] * 97 + a[0], b[1] * 97 + b[0]) << i;  // file order
    }
    ExchangeMesh lines;
    lines.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    lines.lines = {{0, 1}, {1, 2}};
    EXPECT_FALSE(simplifyMesh(lines, {10, 2, 10}, report));
    EXPECT_EQ(lines.lines.size(), 2u);
}

// A hostile file's NaN or infinity must neither reach the simplifier nor upset the measuring.
TEST(SimplifyMesh, pointsThatAreNoNumbersAreRefusedAndLeftOutOfTheMeasure) {
    ExchangeMesh mesh;
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {NAN, 0, 0}, {0, 1e300, 0}};
    mesh.faces = {{{0, 1, 2}, false}, {{0, 1, 3}, false}};
    SimplifyReport report{};
    EXPECT_FALSE(simplifyMesh(mesh, {10, 10, 10}, report));
    EXPECT_EQ(mesh.points.size(), 4u);
    EXPECT_EQ(measureMesh(mesh.points).extent, 1.0);
}

}  // namespace
}  // namespace vx::test
