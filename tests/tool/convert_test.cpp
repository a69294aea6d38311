// vxtool convert: the mapping from the exchange formats, the limits, welding, --fit, the
// byte-for-byte .vx, and files that are not what they claim.
#include <gtest/gtest.h>

#include "io/exchange/mesh_to_model.h"
#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "render/frame.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

// Quads, triangles, a two-sided polygon, lines and a vertex nothing uses.
void buildMixedModel(Model& m) {
    const Vertex vertices[] = {{0, 0, 0},   {100, 0, 0},   {100, 100, 0}, {0, 100, 0},
                               {0, 0, 100}, {100, 0, 100}, {-7, 3, 250},  {12345, -678, 9}};
    m.vertexCount = 0;
    for (const Vertex& v : vertices) m.vertices[static_cast<std::size_t>(m.vertexCount++)] = v;
    const Polygon polygons[] = {{{0, 1, 2, 3}, 0}, {{0, 4, 5, 1}, twoSidedFlag}, {{1, 5, 2, 2}, 0}};
    m.polygonCount = 0;
    for (const Polygon& p : polygons) m.polygons[static_cast<std::size_t>(m.polygonCount++)] = p;
    m.lines[0] = {3, 6};
    m.lines[1] = {6, 4};
    m.lineCount = 2;
}

class Convert : public InTempFolder {
protected:
    int convert(std::vector<std::string> files, tool::ConvertOptions options = {}) {
        options.files = std::move(files);
        return tool::runConvert(options);
    }
    std::unique_ptr<EditorState> read(const std::string& path) {
        auto state = tool::makeToolState();
        std::string error;
        EXPECT_TRUE(tool::readModel(path, {}, *state, error)) << error;
        return state;
    }
    void saveMixed() {
        auto state = tool::makeToolState();
        buildMixedModel(state->model);
        ASSERT_TRUE(saveModel(*state, "mixed.vx"));
    }
};

// The .vx written is what the editor saves after drawing the model, normals included.
TEST_F(Convert, toVxWritesTheEditorsOwnBytes) {
    auto state = tool::makeToolState();
    buildMixedModel(state->model);
    state->model.polygons[3] = {{0, 0, 1, 2}, 0};  // a zero-length edge: a NaN normal
    state->model.polygons[4] = {{0, 1, 4999, 2}, 0};
    state->model.polygonCount = 5;
    ASSERT_TRUE(saveModel(*state, "source.vx"));
    allocateScreenBuffers(*state, 800, 600, nullptr);
    composeFrame(*state);
    ASSERT_TRUE(saveModel(*state, "editor.vx"));
    ASSERT_EQ(convert({"source.vx", "tool.vx"}), 0);
    EXPECT_EQ(readFile("tool.vx"), readFile("editor.vx"));
}

// An outward-wound OBJ cube (y up) is drawn from outside: whichever face is turned to the
// viewer, the nearest face covers the centre, never the inside of the far one.
TEST_F(Convert, anOutwardObjCubeIsSeenFromOutside) {
    writeFile("cube.obj", bytesOf("v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\n"
                                  "v -1 1 1\nf 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n"));
    tool::ConvertOptions options;
    options.fit = 200;
    ASSERT_EQ(convert({"cube.obj", "cube.vx"}, options), 0);
    auto state = read("cube.vx");
    allocateScreenBuffers(*state, 800, 600, nullptr);
    state->shadeStyle = 1;
    for (const auto& [axz, ayz] : {std::pair{0.0f, 0.0f}, {1.5708f, 0.0f}, {3.1416f, 0.0f}, {0.0f, 1.5708f}}) {
        state->camera.axz = axz;
        state->camera.ayz = ayz;
        composeFrame(*state);
        EXPECT_LT(state->screen.depthBuffer[pixelIndex(state->screen, 400, 300)], 400) << axz << " " << ayz;
    }
}

TEST(MeshToModel, mapsYUpToYDownWeldsAfterRoundingAndSplitsLongFaces) {
    ExchangeMesh mesh;
    mesh.points = {{0, 0, 0}, {0.4, 0, 0}, {10, 2, 3}, {10, 2, 3}, {4, 4, 0}, {0, 5, 0}, {2, 6, 0}};
    mesh.faces = {{{0, 2, 4, 5, 6, 1}, 0}, {{0, 2, 4, 5, 6, 1, 3}, twoSidedFlag}, {{2, 4, 5}, 0}};
    mesh.lines = {{1, 6}};
    auto model = std::make_unique<Model>();
    ImportReport report;
    ASSERT_TRUE(meshToModel(mesh, {}, *model, report)) << report.error;
    EXPECT_EQ(report.mergedVertices, 1u);  // 0.4 rounds onto 0; the exact duplicate is no news
    ASSERT_EQ(model->vertexCount, 5);
    EXPECT_EQ(model->vertices[1].y, -2);
    EXPECT_EQ(model->vertices[1].z, -3);
    // The long faces are split into pieces (how, the outline tests show), each keeping its
    // face's flags; the triangle stays as it was, after them.
    EXPECT_EQ(report.splitFaces, 2u);
    ASSERT_GE(model->polygonCount, 3);
    const auto last = static_cast<std::size_t>(model->polygonCount - 1);
    EXPECT_EQ(model->polygons[last].slots, (std::array<uint16_t, 4>{1, 2, 3, 3}));
    EXPECT_EQ(model->polygons[0].flags, 0);
    EXPECT_EQ(model->polygons[last - 1].flags, twoSidedFlag);
    EXPECT_EQ(model->lineCount, 1);
    EXPECT_EQ(model->lines[0].a, 0);

    ASSERT_TRUE(meshToModel(mesh, {1.0, 100.0}, *model, report));  // x spans 10: scaled by 10, centred
    EXPECT_EQ(report.mergedVertices, 0u);
    EXPECT_EQ(model->vertices[0].x, -50);
    EXPECT_EQ(model->vertices[1].x, -46);
    EXPECT_EQ(model->vertices[2].x, 50);
    EXPECT_EQ(model->vertices[2].y, 10);  // y 2 -> 20 - 30 centre -> -10 -> flipped
}

TEST(MeshToModel, refusesMoreThanTheTablesHoldAndLeavesTheModelAlone) {
    ExchangeMesh mesh;
    for (int i = 0; i <= maxVertices; ++i) mesh.points.push_back({static_cast<double>(i), 0, 0});
    auto model = std::make_unique<Model>();
    model->vertexCount = 3;
    ImportReport report;
    EXPECT_FALSE(meshToModel(mesh, {}, *model, report));
    EXPECT_NE(report.error.find("5001 vertices"), std::string::npos) << report.error;
    EXPECT_NE(report.error.find("limit is 5000"), std::string::npos) << report.error;
    EXPECT_EQ(model->vertexCount, 3);
    mesh.points.pop_back();
    for (int i = 0; i <= maxLines; ++i) mesh.lines.push_back({0, 1});
    EXPECT_FALSE(meshToModel(mesh, {}, *model, report));
    EXPECT_NE(report.error.find("5001 lines"), std::string::npos) << report.error;
}

// Truncated and corrupted files of every format: status 1 and no output, or a model; never more.
TEST_F(Convert, damagedInputsFailCleanlyAndWriteNothing) {
    saveMixed();
    std::vector<std::string> sources = {"mixed.vx"};
    for (const char* name : {"m.obj", "m.stl", "m.ply", "m.glb"}) {
        ASSERT_EQ(convert({"mixed.vx", name}), 0);
        sources.push_back(name);
    }
    tool::ConvertOptions ascii;
    ascii.ascii = true;
    ASSERT_EQ(convert({"mixed.vx", "a.ply"}, ascii), 0);
    sources.push_back("a.ply");
    writeFile("out.obj", bytesOf("precious"));
    for (const std::string& source : sources) {
        const Bytes whole = readFile(source);
        const std::string damaged = "damaged." + tool::extensionOf(source);
        for (std::size_t cut = 0; cut < whole.size(); cut += 1 + whole.size() / 40) {
            Bytes bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            if (cut % 3 == 1 && !bytes.empty()) bytes[cut / 2] ^= 0xA5;
            writeFile(damaged, bytes);
            const int status = convert({damaged, "out.obj"});
            ASSERT_TRUE(status == 0 || status == 1) << source << " cut at " << cut;
            if (status == 1) {
                EXPECT_EQ(readFile("out.obj"), bytesOf("precious")) << source << " cut at " << cut;
            }
            writeFile("out.obj", bytesOf("precious"));
        }
    }
    EXPECT_EQ(convert({"missing.obj", "out.obj"}), 1);
    EXPECT_EQ(convert({"mixed.vx", "out.xyz"}), 2);
    EXPECT_EQ(folderEntries(),
              (std::vector<std::string>{"a.ply", "damaged.glb", "damaged.obj", "damaged.ply", "damaged.stl",
                                        "damaged.vx", "m.glb", "m.obj", "m.ply", "m.stl", "mixed.vx", "out.obj"}));
}

// A .vx cut short is read as the editor reads it, what is missing as 0, and said so.
TEST_F(Convert, aVxThatEndsEarlyIsReadWithAWarning) {
    writeFile("cut.vx", {'V', 'T', 'X', 'F', 0, 2, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0});
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    std::string error;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(tool::readModel("cut.vx", ImportRequest{}, *state, error)) << error;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "vxtool: warning: cut.vx: file ends early: missing data read as 0\n");
    EXPECT_EQ(state->model.vertexCount, 2);
    EXPECT_EQ(state->model.vertices[0].x, 9);
}

TEST_F(Convert, aBatchReportsEachFailureAndConvertsTheRest) {
    saveMixed();
    writeFile("broken.obj", bytesOf("v 1 2\nf 1 9 7\n"));
    fs::create_directories("out");
    tool::ConvertOptions options;
    options.to = "stl";
    options.outputDir = "out";
    EXPECT_EQ(convert({"broken.obj", "mixed.vx", "nothing.ply"}, options), 1);
    EXPECT_TRUE(fs::exists("out/mixed.stl"));
    EXPECT_FALSE(fs::exists("out/broken.stl"));
    EXPECT_FALSE(fs::exists("out/nothing.stl"));
}

}  // namespace
}  // namespace vx::test
