// The model file: its exact bytes, round trips, and loads that must change nothing.
#include "io/model/model_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/editor_state.h"
#include "io/byte_order.h"
#include "io/file_test_support.h"

namespace vx::test {
namespace {

std::unique_ptr<EditorState> defaultEditor() {
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    setDefaultModelAndView(*state);
    return state;
}

// Fills every table entry, used or not, with values that differ from entry to entry.
void fillTables(EditorState& state, uint32_t seed) {
    uint32_t x = seed;
    auto next = [&x] { return x = x * 1664525u + 1013904223u; };
    for (Vertex& v : state.model.vertices)
        v = {static_cast<int32_t>(next()), static_cast<int32_t>(next()), static_cast<int32_t>(next())};
    for (Polygon& p : state.model.polygons) {
        for (uint16_t& slot : p.slots) slot = static_cast<uint16_t>(next() >> 16);
        p.flags = static_cast<uint16_t>(next() >> 16);
    }
    for (Line& l : state.model.lines) l = {static_cast<uint16_t>(next() >> 16), static_cast<uint16_t>(next() >> 16)};
    state.model.vertexCount = maxVertices;
    state.model.polygonCount = maxPolygons;
    state.model.lineCount = maxLines;
}

void expectSameModel(const Model& a, const Model& b) {
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    ASSERT_EQ(a.polygonCount, b.polygonCount);
    ASSERT_EQ(a.lineCount, b.lineCount);
    for (std::size_t i = 0; i < a.vertices.size(); ++i) {
        ASSERT_TRUE(a.vertices[i].x == b.vertices[i].x && a.vertices[i].y == b.vertices[i].y &&
                    a.vertices[i].z == b.vertices[i].z)
            << "vertex " << i;
        ASSERT_EQ(a.polygons[i].slots, b.polygons[i].slots) << "polygon " << i;
        ASSERT_EQ(a.polygons[i].flags, b.polygons[i].flags) << "polygon " << i;
        ASSERT_TRUE(a.lines[i].a == b.lines[i].a && a.lines[i].b == b.lines[i].b) << "line " << i;
    }
}

using ModelFileBytes = InTempFolder;

TEST_F(ModelFileBytes, ofTheDefaultCubeAreTheHeaderAndEightVertexRecords) {
    auto state = defaultEditor();
    ASSERT_TRUE(saveModel(*state, "cube.vx"));
    const Bytes file = readFile("cube.vx");
    ASSERT_EQ(file.size(), 108u);
    const Bytes header{'V', 'T', 'X', 'F', 0, 8, 0, 0, 0, 0, 0, 0};
    const Bytes firstVertex{0x9C, 0xFF, 0xFF, 0xFF, 0x9C, 0xFF, 0xFF, 0xFF, 0x64, 0, 0, 0};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), header);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 24), firstVertex);
    EXPECT_EQ(getLe32Signed(&file[12 + 7 * 12]), -100);  // last vertex (-100, 100, -100)
    EXPECT_EQ(getLe32Signed(&file[12 + 7 * 12 + 4]), 100);
    EXPECT_EQ(state->redrawPending, 0);
}

TEST_F(ModelFileBytes, reservedBytesRepeatTheLowByteOfTheLineCount) {
    auto state = defaultEditor();
    for (const auto& [lines, expected] : {std::pair{3, Bytes{0, 3, 3, 3}}, std::pair{258, Bytes{1, 2, 2, 2}}}) {
        state->model.lineCount = lines;
        ASSERT_TRUE(saveModel(*state, "m.vx"));
        const Bytes file = readFile("m.vx");
        EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 12), expected) << lines;
        EXPECT_EQ(file.size(), modelFileBytes(8, 0, static_cast<std::size_t>(lines)));
    }
}

TEST_F(ModelFileBytes, polygonColumnsHoldNormalsThenSlotsThenFlags) {
    auto state = defaultEditor();
    state->model.polygonCount = 2;
    state->model.polygons[0] = {{0, 1, 2, 2}, twoSidedFlag};
    state->model.polygons[1] = {{4, 5, 6, 7}, 0};
    state->model.lineCount = 1;
    state->model.lines[0] = {3, 0x1234};
    ASSERT_TRUE(saveModel(*state, "m.vx"));
    const Bytes file = readFile("m.vx");
    ASSERT_EQ(file.size(), modelFileBytes(8, 2, 1));
    const std::size_t slots = 12 + 8 * 12 + 2 * 12;
    EXPECT_EQ(Bytes(&file[slots], &file[slots + 16]), (Bytes{0, 0, 1, 0, 2, 0, 2, 0, 4, 0, 5, 0, 6, 0, 7, 0}));
    EXPECT_EQ(Bytes(&file[slots + 16], &file[slots + 20]), (Bytes{0x00, 0x80, 0, 0}));
    EXPECT_EQ(Bytes(&file[slots + 20], file.data() + file.size()), (Bytes{3, 0, 0x34, 0x12}));
}

TEST_F(ModelFileBytes, normalsAreTheFloorOfTheExactProductWith8191) {
    auto state = defaultEditor();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 0x1.0008p-13 times 8191 is just below 1, but the product rounded to single is 1.
    const Normal normals[] = {{1.0f, 0.5f, -0.5f}, {-1.0f, 0.0f, 0x1.0008p-13f}, {nan, -0.0001f, 0.25f}};
    const int32_t stored[] = {8191, 4095, -4096, -8191, 0, 0, INT32_MIN, -1, 2047};
    state->model.polygonCount = 3;
    for (std::size_t i = 0; i < 3; ++i) state->polygonNormals[i] = normals[i];
    ASSERT_TRUE(saveModel(*state, "m.vx"));
    const Bytes file = readFile("m.vx");
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(getLe32Signed(&file[12 + 8 * 12 + 4 * i]), stored[i]) << i;
}

using ModelRoundTrip = InTempFolder;

TEST_F(ModelRoundTrip, ofFullTablesReproducesEveryEntryAndCount) {
    auto saved = defaultEditor();
    fillTables(*saved, 1);
    saved->model.polygons[0].slots = {65535, 7000, 5000, 0};  // indices are kept as stored
    ASSERT_TRUE(saveModel(*saved, "full.vx"));
    EXPECT_EQ(readFile("full.vx").size(), maxModelFileBytes);

    auto loaded = defaultEditor();
    fillTables(*loaded, 2);
    EXPECT_EQ(loadModel(*loaded, "full.vx"), LoadVerdict::loaded);
    expectSameModel(loaded->model, saved->model);
    EXPECT_EQ(loaded->redrawPending, 1);

    ASSERT_TRUE(saveModel(*loaded, "again.vx"));
    EXPECT_EQ(readFile("again.vx"), readFile("full.vx"));
}

TEST_F(ModelRoundTrip, ofASmallerModelKeepsTheEntriesAboveTheNewCounts) {
    auto small = defaultEditor();
    small->model.polygonCount = 1;
    small->model.polygons[0] = {{0, 1, 2, 3}, twoSidedFlag};
    ASSERT_TRUE(saveModel(*small, "small.vx"));

    auto state = defaultEditor();
    fillTables(*state, 3);
    const auto before = std::make_unique<Model>(state->model);
    ASSERT_EQ(loadModel(*state, "small.vx"), LoadVerdict::loaded);
    EXPECT_EQ(state->model.vertexCount, 8);
    EXPECT_EQ(state->model.polygonCount, 1);
    EXPECT_EQ(state->model.lineCount, 0);
    EXPECT_EQ(state->model.vertices[0].x, -100);
    EXPECT_EQ(state->model.polygons[0].flags, twoSidedFlag);
    EXPECT_EQ(state->model.vertices[8].x, before->vertices[8].x);
    EXPECT_EQ(state->model.polygons[1].slots, before->polygons[1].slots);
    EXPECT_EQ(state->model.lines[0].a, before->lines[0].a);
}

TEST_F(ModelRoundTrip, savingOverALongerFileLeavesNoOldBytes) {
    Bytes longer = bytesOf("VTXF");
    longer.resize(500, 0xAB);
    writeFile("m.vx", longer);
    auto state = defaultEditor();
    ASSERT_TRUE(saveModel(*state, "m.vx"));
    EXPECT_EQ(readFile("m.vx").size(), 108u);
}

using ModelLoad = InTempFolder;

// Counts that are all there and zero need no records: such files are whole, not cut short.
TEST_F(ModelLoad, ofTheSignatureAloneOrZeroCountsGivesAWholeEmptyModel) {
    for (const std::size_t zeros : {0, 6, 7, 8}) {
        Bytes file = bytesOf("VTXF");
        file.resize(4 + zeros, 0);
        writeFile("m.vx", file);
        auto state = defaultEditor();
        EXPECT_EQ(loadModel(*state, "m.vx"), LoadVerdict::loaded) << zeros;
        EXPECT_EQ(state->model.vertexCount, 0);
        EXPECT_EQ(state->model.polygonCount, 0);
        EXPECT_EQ(state->model.lineCount, 0);
        EXPECT_EQ(state->redrawPending, 1);
    }
}

TEST_F(ModelLoad, thatEndsEarlyReadsTheMissingBytesAsZero) {
    Bytes file = {'V', 'T', 'X', 'F', 0, 2, 0, 1, 0, 1, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7};
    writeFile("m.vx", file);
    auto state = defaultEditor();
    fillTables(*state, 4);
    ASSERT_EQ(loadModel(*state, "m.vx"), LoadVerdict::endsEarly);
    EXPECT_EQ(state->model.vertexCount, 2);
    EXPECT_EQ(state->model.polygonCount, 1);
    EXPECT_EQ(state->model.lineCount, 1);
    EXPECT_TRUE(state->model.vertices[0].x == 5 && state->model.vertices[0].y == 6 && state->model.vertices[0].z == 7);
    EXPECT_TRUE(state->model.vertices[1].x == 0 && state->model.vertices[1].y == 0 && state->model.vertices[1].z == 0);
    EXPECT_EQ(state->model.polygons[0].slots, (std::array<uint16_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(state->model.polygons[0].flags, 0);
    EXPECT_TRUE(state->model.lines[0].a == 0 && state->model.lines[0].b == 0);
}

TEST_F(ModelLoad, isRefusedWithoutChangingAnythingWhenTheFileIsNoModelOfOurs) {
    Bytes tooMany = bytesOf("VTXF");
    tooMany.insert(tooMany.end(), {0x13, 0x89, 0, 0, 0, 0, 0, 0});  // 5001 vertices
    Bytes tooManyLines = bytesOf("VTXF");
    tooManyLines.insert(tooManyLines.end(), {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    const Bytes cases[] = {bytesOf("VTXG"),    bytesOf("vtxf"), bytesOf("VTX"), {},
                           {'V', 'T', 0, 'F'}, bytesOf("BM  "), tooMany,        tooManyLines};
    auto state = defaultEditor();
    fillTables(*state, 5);
    state->model.vertexCount = 17;
    const auto before = std::make_unique<Model>(state->model);
    for (const Bytes& file : cases) {
        writeFile("m.vx", file);
        state->redrawPending = 0;
        EXPECT_EQ(loadModel(*state, "m.vx"), LoadVerdict::invalidFile) << std::string(file.begin(), file.end());
        EXPECT_EQ(state->redrawPending, 0);
        expectSameModel(state->model, *before);
    }
}

TEST_F(ModelLoad, ofAMissingNameOrAFolderCreatesNothing) {
    auto state = defaultEditor();
    fs::create_directory("dir");
    EXPECT_EQ(loadModel(*state, "missing.vx"), LoadVerdict::invalidFile);
    EXPECT_EQ(loadModel(*state, "no/such/folder.vx"), LoadVerdict::invalidFile);
    EXPECT_EQ(loadModel(*state, "dir"), LoadVerdict::invalidFile);
    EXPECT_EQ(loadModel(*state, ""), LoadVerdict::invalidFile);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"dir"});
    EXPECT_EQ(state->model.vertexCount, 8);
}

TEST_F(ModelLoad, ofEveryTruncationOfAFileEitherRefusesOrZeroFills) {
    auto saved = defaultEditor();
    saved->model.polygonCount = 2;
    saved->model.polygons[1] = {{7, 6, 5, 4}, twoSidedFlag};
    saved->model.lineCount = 3;
    saved->model.lines[2] = {1, 2};
    ASSERT_TRUE(saveModel(*saved, "full.vx"));
    const Bytes full = readFile("full.vx");
    for (std::size_t length = 0; length < full.size(); ++length) {
        writeFile("cut.vx", Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
        auto state = defaultEditor();
        const LoadVerdict verdict = loadModel(*state, "cut.vx");
        const LoadVerdict expected = length < 4    ? LoadVerdict::invalidFile
                                     : length == 4 ? LoadVerdict::loaded  // the signature alone: an empty model
                                                   : LoadVerdict::endsEarly;
        ASSERT_EQ(verdict, expected) << length;
        ASSERT_EQ(state->model.vertexCount, length < 4 ? 8 : length < 6 ? 0 : 8) << length;
        ASSERT_EQ(state->model.lineCount, length < 10 ? 0 : 3) << length;
        const bool lastLineThere = length + 1 >= full.size();  // its high byte is 0 anyway
        ASSERT_EQ(state->model.lines[2].b, lastLineThere ? 2 : 0) << length;
    }
}

TEST_F(ModelLoad, afterASaveFailureTheOldFileIsIntact) {
    auto state = defaultEditor();
    ASSERT_TRUE(saveModel(*state, "m.vx"));
    const Bytes before = readFile("m.vx");
    state->model.vertexCount = 3;
    EXPECT_FALSE(saveModel(*state, "missing/m.vx"));
    EXPECT_EQ(readFile("m.vx"), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"m.vx"});
}

}  // namespace
}  // namespace vx::test
