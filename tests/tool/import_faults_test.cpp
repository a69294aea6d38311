// Imports that once went wrong in silence: empty models, surfaces dropped or filled over their
// holes, bad numbers, batches overwriting themselves, companions lost, readable files refused,
// and what the tables cannot hold left out without a word. One small input per fault.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "io/exchange/model_import.h"
#include "io/file_test_support.h"
#include "vxtool/commands.h"

namespace vx::test {
namespace {

std::string floatBytes(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) {
        char bytes[4];
        std::memcpy(bytes, &v, 4);  // the machines this runs on are little-endian, as glTF is
        out.append(bytes, 4);
    }
    return out;
}

// Coordinates taken as they are, so that tests can name them.
ImportRequest unscaled() {
    ImportRequest request;
    request.scale = 1.0;
    return request;
}

// Twice the signed area of polygon i seen along z.
int64_t turnOf(const Model& m, int32_t i) {
    const auto& s = m.polygons[static_cast<std::size_t>(i)].slots;
    const Vertex &a = m.vertices[s[0]], &b = m.vertices[s[1]], &c = m.vertices[s[2]];
    return int64_t{b.x - a.x} * (c.y - a.y) - int64_t{b.y - a.y} * (c.x - a.x);
}

// Whether the point lies strictly inside convex polygon i, seen along z.
bool covers(const Model& m, int32_t i, int64_t x, int64_t y) {
    const auto& s = m.polygons[static_cast<std::size_t>(i)].slots;
    int left = 0, right = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const Vertex &a = m.vertices[s[k]], &b = m.vertices[s[(k + 1) % 4]];
        if (a.x == b.x && a.y == b.y) continue;
        const int64_t side = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        left += side > 0 ? 1 : 0;
        right += side < 0 ? 1 : 0;
    }
    return left == 0 || right == 0 ? left + right >= 3 : false;
}

class ImportFaults : public InTempFolder {
protected:
    // Imports a file written from text; the notes and the error are kept for the test to read.
    bool import(const std::string& name, std::string_view bytes, ImportRequest request = {}) {
        fs::create_directories(fs::path(name).parent_path().empty() ? "." : fs::path(name).parent_path());
        writeFile(name, bytesOf(bytes));
        model = std::make_unique<Model>();
        return importModelFile(name, request, *model, notes);
    }
    bool noteSays(const std::string& text) const {
        for (const std::string& line : notes.lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    std::unique_ptr<Model> model;
    ImportNotes notes;
};

// --- Never an empty model in silence -------------------------------------------------------

TEST_F(ImportFaults, aFileWithNoVertexIsRefusedSayingSo) {
    EXPECT_FALSE(import("empty.gltf", R"({"asset":{"version":"2.0"},"meshes":[],"scenes":[{"nodes":[]}]})"));
    EXPECT_NE(notes.error.find("holds no vertex"), std::string::npos) << notes.error;
    EXPECT_FALSE(import("comments.obj", "# nothing but a comment\n"));
    EXPECT_NE(notes.error.find("holds no vertex"), std::string::npos) << notes.error;
}

// The first glTF version names its parts by keys, not by place in a list.
TEST_F(ImportFaults, firstVersionGltfIsRead) {
    writeFile("v1.bin", bytesOf(floatBytes({0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string("\0\0\1\0\2\0", 6)));
    const char* gltf = R"({"asset":{"version":"1.0"},
      "buffers":{"b":{"uri":"v1.bin","byteLength":42,"type":"arraybuffer"}},
      "bufferViews":{"p":{"buffer":"b","byteOffset":0,"byteLength":36,"target":34962},
                     "i":{"buffer":"b","byteOffset":36,"byteLength":6,"target":34963}},
      "accessors":{"pos":{"bufferView":"p","byteOffset":0,"byteStride":12,"componentType":5126,"count":3,"type":"VEC3"},
                   "idx":{"bufferView":"i","byteOffset":0,"byteStride":0,"componentType":5123,"count":3,"type":"SCALAR"}},
      "meshes":{"m":{"primitives":[{"attributes":{"POSITION":"pos"},"indices":"idx","mode":4}]}},
      "nodes":{"n":{"children":[],"meshes":["m"]}},"scenes":{"s":{"nodes":["n"]}},"scene":"s"})";
    ASSERT_TRUE(import("v1.gltf", gltf)) << notes.error;
    EXPECT_EQ(model->polygonCount, 1);
}

TEST_F(ImportFaults, textWithByteOrderMarksIsRead) {
    const std::string obj = "v 0 0 0\nv 10 0 0\nv 0 10 0\nf 1 2 3\n";
    std::string big = "\xFE\xFF", little = "\xFF\xFE";
    for (char c : obj) {
        big += std::string{'\0', c};
        little += std::string{c, '\0'};
    }
    for (const std::string& bytes : {big, little, "\xEF\xBB\xBF" + obj}) {
        ASSERT_TRUE(import("marked.obj", bytes, unscaled())) << notes.error;
        EXPECT_EQ(model->vertexCount, 3);
        EXPECT_EQ(model->polygonCount, 1);
    }
}

// --- Every surface the format holds --------------------------------------------------------

// Strips turn alternately; every triangle must face the way the first does. -1 starts a new strip.
TEST_F(ImportFaults, plyTriangleStripsBecomeTrianglesFacingOneWay) {
    const char* ply =
        "ply\nformat ascii 1.0\nelement vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
        "element tristrips 1\nproperty list int int vertex_indices\nend_header\n"
        "0 0 0\n0 10 0\n10 0 0\n10 10 0\n20 0 0\n20 10 0\n"
        "8 0 1 2 3 -1 2 3 4\n";
    ASSERT_TRUE(import("strip.ply", ply, unscaled())) << notes.error;
    ASSERT_EQ(model->polygonCount, 3);
    for (int32_t i = 0; i < model->polygonCount; ++i)
        EXPECT_EQ(turnOf(*model, i) > 0, turnOf(*model, 0) > 0) << "triangle " << i;
}

// A ring written as one face (round the outside, in along a cut, round the hole): the hole's
// centre must stay uncovered, where a fan of quads would fill it.
TEST_F(ImportFaults, concaveFacesAreSplitWithoutCoveringTheirHoles) {
    const char* obj =
        "v 0 0 0\nv 100 0 0\nv 100 100 0\nv 0 100 0\nv 30 30 0\nv 30 70 0\nv 70 70 0\nv 70 30 0\n"
        "f 1 2 3 4 1 5 6 7 8 5\n";
    ASSERT_TRUE(import("ring.obj", obj, unscaled())) << notes.error;
    EXPECT_TRUE(noteSays("1 face of more than four corners, or concave, split")) << notes.lines.size();
    for (int32_t i = 0; i < model->polygonCount; ++i) EXPECT_FALSE(covers(*model, i, 50, -50)) << "polygon " << i;
}

TEST_F(ImportFaults, facesOfMoreCornersThanAByteCountsAreRead) {
    std::ostringstream text;
    for (int i = 0; i < 300; ++i)
        text << "v " << std::lround(100 * std::cos(i * 0.0209439510239)) << " "
             << std::lround(100 * std::sin(i * 0.0209439510239)) << " 0\n";
    text << "f 1 2 3\nf 7 8\nf";  // a two-corner face is a line
    for (int i = 300; i >= 1; --i) text << " " << i;
    text << "\nf 4 5 6\n# vx two-sided 3\n";
    const std::string obj = text.str();
    ASSERT_TRUE(import("round.obj", obj, unscaled())) << notes.error;
    EXPECT_GT(model->polygonCount, 30);
    EXPECT_EQ(model->lineCount, 1);  // the long face, in pieces, between the two triangles
    // The long face kept its place: the third face of the file is still the one the note names.
    EXPECT_EQ(model->polygons[static_cast<std::size_t>(model->polygonCount - 1)].flags, twoSidedFlag);
}

// --- Bad numbers refused alike -------------------------------------------------------------

TEST_F(ImportFaults, coordinatesThatAreNotFiniteAreRefusedWithTheirPlace) {
    struct Case {
        const char* name;
        const char* text;
        const char* where;
    };
    const Case cases[] = {
        {"inf.obj", "v 0 0 0\nv 1 0 0\nv inf 1 0\nf 1 2 3\n", "line 3"},
        {"nan.obj", "v 0 0 0\nv 1 nan 0\nv 0 1 0\nf 1 2 3\n", "line 2"},
        {"huge.obj", "v 0 0 0\nv 1e999 0 0\nv 0 1 0\n", "line 2"},
        {"nan.ply",
         "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\nproperty float z\n"
         "end_header\n0 0 0\n1 nan 0\n",
         "vertex 1"},
        {"inf.off", "OFF\n3 1 0\n0 0 0\n1 0 0\ninf 1 0\n3 0 1 2\n", "line 5"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(import(c.name, c.text)) << c.name;
        EXPECT_NE(notes.error.find(c.where), std::string::npos) << c.name << ": " << notes.error;
        EXPECT_NE(notes.error.find("not a finite number"), std::string::npos) << c.name << ": " << notes.error;
    }
}

// --- Read what is readable -----------------------------------------------------------------

TEST_F(ImportFaults, objCornersWithEmptyFieldsAndContinuedLinesAreRead) {
    ASSERT_TRUE(
        import("odd.obj", "v 0 0 0\nv 10 0 \\\n 0\nv 0 10 0\nv 10 10 0\nf 1// 2// \\\n4//\nf 1/ 4 3\n", unscaled()))
        << notes.error;
    EXPECT_EQ(model->vertexCount, 4);
    EXPECT_EQ(model->polygonCount, 2);
}

TEST_F(ImportFaults, plyWithLoneCarriageReturnsIsRead) {
    ASSERT_TRUE(
        import("mac.ply",
               "ply\rformat ascii 1.0\relement vertex 3\rproperty float x\rproperty float y\rproperty float z\r"
               "element face 1\rproperty list uchar int vertex_indices\rend_header\r0 0 0\r9 0 0\r0 9 0\r3 0 1 2\r",
               unscaled()))
        << notes.error;
    EXPECT_EQ(model->polygonCount, 1);
}

TEST_F(ImportFaults, stlWithAnEmptySolidIsRead) {
    const char* stl =
        "solid part\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 10 0 0\n   vertex 0 10 0\n"
        "  endloop\n endfacet\nendsolid part\nSOLID nothing\nENDSOLID nothing\n";
    ASSERT_TRUE(import("two.stl", stl, unscaled())) << notes.error;
    EXPECT_EQ(model->polygonCount, 1);
}

// Positions given as zeros with two of them replaced, the buffer view left out.
TEST_F(ImportFaults, sparsePositionsAreRead) {
    writeFile("sparse.bin", bytesOf(std::string("\1\0\2\0", 4) + floatBytes({10, 0, 0, 0, 10, 0})));
    ASSERT_TRUE(import("sparse.gltf", R"({"asset":{"version":"2.0"},
      "buffers":[{"uri":"sparse.bin","byteLength":28}],
      "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":4},{"buffer":0,"byteOffset":4,"byteLength":24}],
      "accessors":[{"componentType":5126,"count":3,"type":"VEC3","sparse":{"count":2,
        "indices":{"bufferView":0,"componentType":5123},"values":{"bufferView":1}}}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})",
                       unscaled()))
        << notes.error;
    ASSERT_EQ(model->vertexCount, 3);
    EXPECT_EQ(model->vertices[0].x, 0);
    EXPECT_EQ(model->vertices[1].x, 10);
    EXPECT_EQ(model->vertices[2].y, -10);
}

// A square as two triangles, compressed with Draco (the corpus file the glTF fuzzer starts from).
TEST_F(ImportFaults, dracoCompressedGltfIsRead) {
    model = std::make_unique<Model>();
    const std::string path = VX_SOURCE_DIR "/tests/fuzz/corpus/gltf/square-draco.glb";
    ASSERT_TRUE(importModelFile(path, {}, *model, notes)) << notes.error;
    EXPECT_EQ(model->vertexCount, 4);
    EXPECT_EQ(model->polygonCount, 2);
}

// OFF faces of many corners, which the importer library once turned into damaged faces named in
// its own terms, and vertices in the file's order.
TEST_F(ImportFaults, offFacesOfManyCornersAreRead) {
    std::ostringstream text;
    text << "OFF\n# a twelve-sided face\n12 1 0\n";
    for (int i = 0; i < 12; ++i)
        text << std::lround(50 * std::cos(i * 0.5235987756)) << " " << std::lround(50 * std::sin(i * 0.5235987756))
             << " 0\n";
    text << "12 0 1 2 3 4 5 6 7 8 9 10 11 255 0 0\n";
    const std::string off = text.str();
    ASSERT_TRUE(import("dodecagon.off", off, unscaled())) << notes.error;
    EXPECT_EQ(model->vertexCount, 12);
    EXPECT_EQ(model->vertices[3].y, -50);
    EXPECT_TRUE(noteSays("1 face of more than four corners"));
}

// Companions are found however the model is named, and still only beside it.
TEST_F(ImportFaults, companionsAreFoundThroughDotDotAndLinks) {
    fs::create_directories("models");
    fs::create_directories("elsewhere");
    writeFile("models/tri.bin", bytesOf(floatBytes({0, 0, 0, 1, 0, 0, 0, 1, 0})));
    writeFile("models/tri.gltf", bytesOf(R"({"asset":{"version":"2.0"},
      "buffers":[{"uri":"tri.bin","byteLength":36}],"bufferViews":[{"buffer":0,"byteLength":36}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})"));
    fs::create_symlink(folder / "models" / "tri.gltf", "elsewhere/link.gltf");
    for (const std::string& path :
         std::vector<std::string>{"models/tri.gltf", "elsewhere/../models/tri.gltf", "./models/../models/tri.gltf",
                                  (folder / "elsewhere/../models/tri.gltf").string(), "elsewhere/link.gltf"}) {
        model = std::make_unique<Model>();
        EXPECT_TRUE(importModelFile(path, {}, *model, notes)) << path << ": " << notes.error;
    }
    writeFile("elsewhere/escape.gltf", bytesOf(R"({"asset":{"version":"2.0"},
      "buffers":[{"uri":"../models/tri.bin","byteLength":36}],"bufferViews":[{"buffer":0,"byteLength":36}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})"));
    EXPECT_FALSE(importModelFile("elsewhere/escape.gltf", {}, *model, notes));
}

// --- Messages in our words ---------------------------------------------------------------

TEST_F(ImportFaults, refusalsNameThePlaceWithoutTheLibrariesNames) {
    EXPECT_FALSE(import("broken.gltf", "{\"asset\": {\"version\": \"2.0\"}, x}"));
    EXPECT_NE(notes.error.find("line 1, column"), std::string::npos) << notes.error;
    EXPECT_EQ(notes.error.find("json"), std::string::npos) << notes.error;
    EXPECT_FALSE(import("short.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2\n"));
    EXPECT_NE(notes.error.find("line 6"), std::string::npos) << notes.error;
}

// --- Simplifying leaves nothing flat ------------------------------------------------------

// A bumpy sheet past the polygon limit: reduced, then rounded to whole units, where thin
// triangles fold flat; none may be left.
TEST_F(ImportFaults, simplifyingLeavesNoPolygonOfNoArea) {
    std::ostringstream text;
    constexpr int side = 81;
    std::mt19937 random(8);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) text << "v " << x << " " << y << " " << random() % 3 << "\n";
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x + 1;
            text << "f " << a << " " << a + 1 << " " << a + side + 1 << " " << a + side << "\n";
        }
    ImportRequest request;
    request.simplify = true;
    ASSERT_TRUE(import("sheet.obj", text.str(), request)) << notes.error;
    for (int32_t i = 0; i < model->polygonCount; ++i) {
        const auto& s = model->polygons[static_cast<std::size_t>(i)].slots;
        const Vertex &a = model->vertices[s[0]], &b = model->vertices[s[1]], &c = model->vertices[s[2]];
        const int64_t ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        EXPECT_TRUE(uy * vz - uz * vy != 0 || uz * vx - ux * vz != 0 || ux * vy - uy * vx != 0) << "polygon " << i;
    }
}

// A model in metres is fitted on import; --scale on export from the .vx takes the factor back,
// and the file no longer claims the editor's units.
TEST_F(ImportFaults, scaleOnExportTakesAFitBack) {
    writeFile("metres.obj", bytesOf("v 0 0 0\nv 0.5 0 0\nv 0 0.25 0\nf 1 2 3\n"));
    tool::ConvertOptions in;
    in.files = {"metres.obj", "fitted.vx"};
    ASSERT_EQ(tool::runConvert(in), 0);
    for (const char* name : {"back.obj", "back.ply", "back.glb", "back.stl"}) {
        tool::ConvertOptions out;
        out.files = {"fitted.vx", name};
        out.scale = 0.0025;  // the fit was by 400
        out.ascii = true;
        ASSERT_EQ(tool::runConvert(out), 0) << name;
        model = std::make_unique<Model>();
        ImportRequest asWritten;
        asWritten.scale = 1000.0;
        ASSERT_TRUE(importModelFile(name, asWritten, *model, notes)) << name << ": " << notes.error;
        std::vector<int32_t> xs;
        for (int32_t i = 0; i < model->vertexCount; ++i) xs.push_back(model->vertices[static_cast<std::size_t>(i)].x);
        std::sort(xs.begin(), xs.end());
        EXPECT_EQ(xs.back() - xs.front(), 500) << name;  // half a metre, in millimetres
    }
    const Bytes obj = readFile("back.obj");
    EXPECT_EQ(std::string(obj.begin(), obj.begin() + 2), "v ");  // no mark of the editor's units
}

// --- A batch never writes two inputs to one output ---------------------------------------

TEST_F(ImportFaults, batchInputsOfOneNameGetTheirFormatInTheirNames) {
    const char* obj = "v 0 0 0\nv 10 0 0\nv 0 10 0\nf 1 2 3\n";
    fs::create_directories("more");
    writeFile("box.obj", bytesOf(obj));
    writeFile("more/box.obj", bytesOf(obj));
    writeFile("box.ply", bytesOf("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                                 "property float z\nend_header\n0 0 0\n1 0 0\n0 1 0\n"));
    writeFile("other.obj", bytesOf(obj));
    tool::ConvertOptions options;
    options.files = {"box.obj", "box.ply", "more/box.obj", "other.obj"};
    options.to = "vx";
    options.outputDir = "out";
    ASSERT_EQ(tool::runConvert(options), 0);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator("out")) written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"box-obj-2.vx", "box-obj.vx", "box-ply.vx", "other.vx"}));
}

// --- Everything left out is named ----------------------------------------------------------

TEST_F(ImportFaults, whatTheTablesCannotHoldIsNamedWithCounts) {
    const char* obj =
        "o first\nv 0 0 0\nv 10 0 0\nv 0 10 0\nvn 0 0 1\nvt 0 0\nvt 1 0\nvt 0 1\nf 1/1/1 2/2/1 3/3/1\n"
        "o second\nv 0 0 5\nv 10 0 5\nv 0 10 5\nf 4 5 6\n";
    ASSERT_TRUE(import("parts.obj", obj, unscaled())) << notes.error;
    EXPECT_TRUE(noteSays("left out: normals (1), texture coordinates (3), 2 meshes merged into one"))
        << (notes.lines.empty() ? "" : notes.lines.back());
    ASSERT_TRUE(import("plain.obj", "v 0 0 0\nv 10 0 0\nv 0 10 0\nf 1 2 3\n", unscaled()));
    EXPECT_FALSE(noteSays("left out"));
}

}  // namespace
}  // namespace vx::test
