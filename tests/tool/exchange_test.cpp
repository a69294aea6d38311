// The exchange formats both ways: any model the editor holds comes back from OBJ, PLY and GLB
// byte for byte; imports keep the file's vertex order and every vertex; files are recognised by
// what they hold, whatever their name.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>

#include "io/exchange/mesh_import.h"
#include "io/exchange/mesh_to_model.h"
#include "io/exchange/recognition.h"
#include "io/exchange/writers.h"
#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

// Every kind of element, in any order: coordinates small, repeated and at the ends of the 32-bit
// range; slots repeated within a polygon; flags of every value, two-sided and coloured most often.
void randomModel(std::mt19937& random, Model& m, int32_t size) {
    const auto between = [&](int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(random);
    };
    const auto coordinate = [&]() -> int32_t {
        const int64_t kind = between(0, 9);
        if (kind == 0) return static_cast<int32_t>(between(INT32_MIN, INT32_MAX));
        if (kind == 1) return between(0, 1) ? INT32_MIN : INT32_MAX;
        return static_cast<int32_t>(between(-500, 500));
    };
    m.vertexCount = static_cast<int32_t>(between(0, size));
    for (int32_t i = 0; i < m.vertexCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        m.vertices[at] = i > 0 && between(0, 9) == 0 ? m.vertices[static_cast<std::size_t>(between(0, i - 1))]
                                                     : Vertex{coordinate(), coordinate(), coordinate()};
    }
    const auto slot = [&] { return static_cast<uint16_t>(between(0, m.vertexCount - 1)); };
    m.polygonCount = m.vertexCount ? static_cast<int32_t>(between(0, size)) : 0;
    for (int32_t i = 0; i < m.polygonCount; ++i) {
        Polygon& p = m.polygons[static_cast<std::size_t>(i)];
        p.slots = {slot(), slot(), slot(), slot()};
        if (between(0, 1)) p.slots[3] = p.slots[2];
        const int64_t kind = between(0, 9);
        const auto colour = static_cast<uint16_t>(between(1, paletteSize));
        p.flags = kind < 3   ? twoSidedFlag
                  : kind < 6 ? 0
                  : kind < 8 ? static_cast<uint16_t>(colour | (kind == 7 ? twoSidedFlag : 0))
                             : static_cast<uint16_t>(between(1, 0xFFFF));
    }
    // A palette of its own half the time, drawn from few colours so that entries repeat; white
    // among them, which GLB paints as no colour at all.
    m.palette = builtinPalette;
    if (between(0, 1))
        for (uint32_t& entry : m.palette)
            entry = between(0, 3) ? static_cast<uint32_t>(between(0, 0xFFFFFF)) : between(0, 1) ? 0xFFFFFFu : 0x102030u;
    m.lineCount = m.vertexCount ? static_cast<int32_t>(between(0, size / 2)) : 0;
    for (int32_t i = 0; i < m.lineCount; ++i) m.lines[static_cast<std::size_t>(i)] = {slot(), slot()};
}

// The first table entry that differs, or nothing.
std::string firstDifference(const Model& a, const Model& b) {
    std::ostringstream out;
    if (a.vertexCount != b.vertexCount || a.polygonCount != b.polygonCount || a.lineCount != b.lineCount) {
        out << "counts " << a.vertexCount << "/" << a.polygonCount << "/" << a.lineCount << " became " << b.vertexCount
            << "/" << b.polygonCount << "/" << b.lineCount;
        return out.str();
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.vertexCount); ++i) {
        const Vertex &u = a.vertices[i], &v = b.vertices[i];
        if (u.x != v.x || u.y != v.y || u.z != v.z)
            out << "vertex " << i << " (" << u.x << " " << u.y << " " << u.z << ") became (" << v.x << " " << v.y << " "
                << v.z << ")";
        if (!out.str().empty()) return out.str();
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.polygonCount); ++i)
        if (a.polygons[i].slots != b.polygons[i].slots || a.polygons[i].flags != b.polygons[i].flags)
            return "polygon " + std::to_string(i);
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.lineCount); ++i)
        if (a.lines[i].a != b.lines[i].a || a.lines[i].b != b.lines[i].b) return "line " + std::to_string(i);
    for (std::size_t i = 0; i < a.palette.size(); ++i)
        if (a.palette[i] != b.palette[i]) return "palette entry " + std::to_string(i + 1);
    return {};
}

struct Route {
    const char* extension;
    bool ascii;
};
constexpr Route routes[] = {{"obj", false}, {"ply", false}, {"ply", true}, {"glb", false}};

std::string exported(const Model& model, const Route& route) {
    const ExportTables tables = exportTablesOf(model);
    const std::string format = route.extension;
    return format == "obj" ? writeObj(tables) : format == "ply" ? writePly(tables, route.ascii) : writeGlb(tables);
}

// Through the file's bytes and the importer, as vxtool converts, without the file system.
bool importBack(const std::string& bytes, const std::string& extension, Model& model, ExchangeMesh& mesh,
                std::string& error) {
    if (!importMeshBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), extension, mesh, error))
        return false;
    ImportReport report;
    if (meshToModel(mesh, {}, model, report)) return true;
    error = report.error;
    return false;
}

TEST(ExchangeRoundTrip, everyModelComesBackFromObjPlyAndGlbUnchanged) {
    std::mt19937 random(18);
    auto model = std::make_unique<Model>(), back = std::make_unique<Model>();
    for (int n = 0; n < 300; ++n) {
        randomModel(random, *model, n == 0 ? maxVertices : n % 50 == 1 ? 400 : 40);
        if (n == 0) model->vertexCount = model->polygonCount = model->lineCount = maxVertices;
        for (const Route& route : routes) {
            ExchangeMesh mesh;
            std::string error;
            ASSERT_TRUE(importBack(exported(*model, route), route.extension, *back, mesh, error))
                << "model " << n << " through " << route.extension << ": " << error;
            ASSERT_EQ(firstDifference(*model, *back), "")
                << "model " << n << " through " << route.extension << (route.ascii ? " (text)" : "");
            EXPECT_TRUE(mesh.editorUnits) << route.extension;  // no rescaling of what vxtool wrote
        }
    }
}

// The same through vxtool convert and files on disk, compared byte for byte.
class ExchangeFiles : public InTempFolder {
protected:
    int convert(std::vector<std::string> files, bool ascii = false) {
        tool::ConvertOptions options;
        options.files = std::move(files);
        options.ascii = ascii;
        return tool::runConvert(options);
    }
};

TEST_F(ExchangeFiles, convertingToEachFormatAndBackGivesTheSameVxBytes) {
    std::mt19937 random(7);
    auto state = tool::makeToolState();
    for (int n = 0; n < 12; ++n) {
        randomModel(random, state->model, 30);
        ASSERT_TRUE(saveModel(*state, "raw.vx"));
        ASSERT_EQ(convert({"raw.vx", "model.vx"}), 0);  // with the normals the editor would save
        for (const Route& route : routes) {
            const std::string name = std::string("model.") + route.extension;
            ASSERT_EQ(convert({"model.vx", name}, route.ascii), 0);
            ASSERT_EQ(convert({name, "back.vx"}), 0) << name;
            ASSERT_EQ(readFile("back.vx"), readFile("model.vx")) << "model " << n << " through " << name;
        }
    }
}

// A quad, a one-sided triangle, a free vertex and a line; the two-sided quad is what GLB alone
// would split.
void buildSmallModel(Model& m) {
    m.vertexCount = 6;
    const Vertex v[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {50, 50, 50}, {9, 9, 9}};
    std::copy(std::begin(v), std::end(v), m.vertices.begin());
    m.polygonCount = 2;
    m.polygons[0] = {{0, 1, 2, 3}, twoSidedFlag};
    m.polygons[1] = {{0, 1, 4, 4}, 0};
    m.lineCount = 1;
    m.lines[0] = {3, 4};
}

// Extras that another program left behind after changing the triangles are not trusted.
TEST(ExchangeRoundTrip, aGlbPolygonTableIsUsedOnlyWhenItMatchesTheTriangles) {
    auto model = std::make_unique<Model>(), back = std::make_unique<Model>();
    buildSmallModel(*model);
    std::string glb = exported(*model, {"glb", false});
    ExchangeMesh mesh;
    std::string error;
    ASSERT_TRUE(importBack(glb, "glb", *back, mesh, error)) << error;
    EXPECT_EQ(back->polygonCount, 2);
    const std::string table = "\"vxPolygons\":[0,1,2,3,32768,0,1,4,4,0]";
    const std::size_t at = glb.find(table);
    ASSERT_NE(at, std::string::npos) << glb.substr(0, 400);
    glb.replace(at, table.size(), "\"vxPolygons\":[0,1,2,3,32768,0,1,5,5,0]");  // a triangle not in the file
    ASSERT_TRUE(importBack(glb, "glb", *back, mesh, error)) << error;
    ASSERT_EQ(back->polygonCount, 3);  // the file's own three triangles, one-sided ones first
    EXPECT_EQ(back->polygons[0].slots, (std::array<uint16_t, 4>{0, 1, 4, 4}));
    EXPECT_EQ(back->polygons[2].slots, (std::array<uint16_t, 4>{0, 2, 3, 3}));
    EXPECT_EQ(back->polygons[2].flags, twoSidedFlag);
}

TEST_F(ExchangeFiles, stlSaysWhatItLeavesOut) {
    auto state = tool::makeToolState();
    buildSmallModel(state->model);
    ASSERT_TRUE(saveModel(*state, "small.vx"));
    testing::internal::CaptureStderr();
    ASSERT_EQ(convert({"small.vx", "small.stl"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vxtool: note: small.stl: STL holds triangles only; left out 1 free vertex, 1 line, 1 polygon's "
              "two-sided flag\n");
}

// Files written by hand as other programs write them: vertices 0 and 1 are used by nothing, the
// face names vertices 4, 2, 3 and the line 0 and 4.
struct HandWritten {
    const char* name;
    std::string bytes;
};

std::string bigEndianPly() {
    std::string out =
        "ply\nformat binary_big_endian 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
        "property list uchar uchar extra\nelement face 1\nproperty double weight\nproperty list uchar int "
        "vertex_indices\nelement edge 1\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    const auto be32 = [&](uint32_t v) {
        for (int k = 3; k >= 0; --k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    for (int i = 0; i < 5; ++i) {
        for (float c : {static_cast<float>(i), 0.0f, static_cast<float>(-i)}) be32(std::bit_cast<uint32_t>(c));
        out += std::string("\x02\x07\x07", 3);  // two extra bytes, skipped by their declared type
    }
    out += std::string(8, '\0');
    out += '\x03';
    for (uint32_t c : {4u, 2u, 3u}) be32(c);
    be32(0);
    be32(4);
    return out;
}

std::vector<HandWritten> handWrittenFiles() {
    return {
        {"obj", "# made by hand\nv 0 0 0\nv 1 0 -1\nv 2 0 -2\nv 3 0 -3\nv 4 0 -4\nf 5 3 4\nl 1 5\n"},
        {"ply",
         "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
         "property uchar red\nelement face 1\nproperty list uchar int vertex_indices\nelement edge 1\n"
         "property int vertex1\nproperty int vertex2\nend_header\n0 0 0 9\n1 0 -1 9\n2 0 -2 9\n3 0 -3 9\n"
         "4 0 -4 9\n3 4 2 3\n0 4\n"},
        {"ply", bigEndianPly()},
        // x = i, z = -i for i = 0..4, as floats in a data URI.
        {"gltf",
         "{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
         "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1,\"mode\":4},"
         "{\"attributes\":{\"POSITION\":0},\"indices\":2,\"mode\":1}]}],"
         "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":5,\"type\":\"VEC3\"},"
         "{\"bufferView\":1,\"componentType\":5125,\"count\":3,\"type\":\"SCALAR\"},"
         "{\"bufferView\":2,\"componentType\":5125,\"count\":2,\"type\":\"SCALAR\"}],"
         "\"bufferViews\":[{\"buffer\":0,\"byteLength\":60},{\"buffer\":0,\"byteOffset\":60,\"byteLength\":12},"
         "{\"buffer\":0,\"byteOffset\":72,\"byteLength\":8}],\"buffers\":[{\"byteLength\":80,\"uri\":"
         "\"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAIC/"
         "AAAAQAAAAAAAAADAAABAQAAAAAAAAEDAAACAQAAAAAAAAIDA"
         "BAAAAAIAAAADAAAAAAAAAAQAAAA=\"}]}"},
    };
}

TEST(ExchangeImport, keepsTheFilesVertexOrderAndTheVerticesNoFaceUses) {
    for (const HandWritten& file : handWrittenFiles()) {
        auto model = std::make_unique<Model>();
        ExchangeMesh mesh;
        std::string error;
        ASSERT_TRUE(importBack(file.bytes, file.name, *model, mesh, error)) << file.name << ": " << error;
        ASSERT_EQ(model->vertexCount, 5) << file.name;
        for (int32_t i = 0; i < 5; ++i) {
            const Vertex& v = model->vertices[static_cast<std::size_t>(i)];
            EXPECT_TRUE(v.x == i && v.y == 0 && v.z == i) << file.name << " vertex " << i;  // z turned to y down
        }
        ASSERT_EQ(model->polygonCount, 1) << file.name;
        EXPECT_EQ(model->polygons[0].slots, (std::array<uint16_t, 4>{4, 2, 3, 3})) << file.name;
        ASSERT_EQ(model->lineCount, 1) << file.name;
        EXPECT_EQ(model->lines[0].b, 4) << file.name;
        EXPECT_FALSE(mesh.editorUnits) << file.name;
    }
}

// A point cloud, and the editor's own default cube as other programs see it: points only.
TEST(ExchangeImport, filesOfPointsOnlyBecomeFreeVertices) {
    const HandWritten clouds[] = {
        {"obj", "v 1 2 3\nv 4 5 6\nv 1 2 3\np 1 2 3\n"},
        {"ply",
         "ply\nformat ascii 1.0\nelement vertex 3\nproperty double x\nproperty double y\nproperty double z\n"
         "end_header\n1 2 3\n4 5 6\n1 2 3\n"},
        {"gltf",
         "{\"asset\":{\"version\":\"2.0\"},\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},"
         "\"mode\":0}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":"
         "\"VEC3\"}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":36}],\"buffers\":[{\"byteLength\":36,"
         "\"uri\":\"data:application/octet-stream;base64,AACAPwAAAEAAAEBAAACAQAAAoEAAAMBAAACAPwAAAEAAAEBA\"}]}"},
    };
    for (const HandWritten& cloud : clouds) {
        auto model = std::make_unique<Model>();
        ExchangeMesh mesh;
        std::string error;
        ASSERT_TRUE(importBack(cloud.bytes, cloud.name, *model, mesh, error)) << cloud.name << ": " << error;
        EXPECT_EQ(model->vertexCount, 3) << cloud.name;  // the repeated point too: it is the file's own
        EXPECT_EQ(model->polygonCount + model->lineCount, 0) << cloud.name;
        EXPECT_EQ(model->vertices[1].x, 4) << cloud.name;
        EXPECT_EQ(model->vertices[1].y, -5) << cloud.name;
    }
}

// The format's keywords may come in any case; the importer library knows only lower case.
TEST(TextStl, keywordsInCapitalsReadAsInLowerCase) {
    const std::string lower =
        "solid one\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 10 0 0\n"
        "   vertex 0 1E+01 0\n  endloop\n endfacet\nendsolid one\n";
    std::string upper = lower;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto fromLower = std::make_unique<Model>(), fromUpper = std::make_unique<Model>();
    ExchangeMesh mesh;
    std::string error;
    ASSERT_TRUE(importBack(lower, "stl", *fromLower, mesh, error)) << error;
    ASSERT_TRUE(importBack(upper, "stl", *fromUpper, mesh, error)) << error;
    ASSERT_EQ(fromUpper->polygonCount, 1);
    EXPECT_TRUE(sameModel(*fromLower, *fromUpper));
}

TEST(FormatRecognition, theContentDecidesAndTheExtensionOnlyBreaksTies) {
    std::string binaryStl(84 + 50, '\0');
    binaryStl.replace(0, 5, "solid");  // a header that starts like text, as some programs write
    binaryStl[80] = 1;
    const struct {
        std::string head;
        const char* extension;
        ModelFormat expected;
    } cases[] = {
        {"VTXF\0\x01", "obj", ModelFormat::vx},
        {"VTXF", "", ModelFormat::vx},
        {"glTF\x02\0\0\0", "obj", ModelFormat::glb},
        {"ply\nformat ascii 1.0\n", "stl", ModelFormat::ply},
        {binaryStl, "obj", ModelFormat::stl},
        {"solid cube\n  facet normal 0 0 1\n", "", ModelFormat::stl},
        {"SOLID  Untitled1\n  FACET NORMAL 0 0 1\n", "", ModelFormat::stl},
        {" {\n \"asset\": {\"version\": \"2.0\"}}", "", ModelFormat::gltf},
        {"OFF\n8 6 0\n", "obj", ModelFormat::off},
        {"COFF\n", "", ModelFormat::off},
        {"# a comment\n\nv 1 2 3\nvn 0 0 1\nf 1//1 1//1 1//1\n", "ply", ModelFormat::obj},
        {"o cube\ng side\nusemtl red\n", "", ModelFormat::obj},
        {"# only comments: nothing of its own\n", "obj", ModelFormat::obj},
        {"# only comments: nothing of its own\n", "off", ModelFormat::off},
        {"", "dae", ModelFormat::importer},
        {"not a model\n", "txt", ModelFormat::unknown},
        {"v 1 2 3\nthis is not obj\n", "", ModelFormat::unknown},
        {"", "vx", ModelFormat::vx},  // named as the editor's own: its loader says what is wrong
    };
    for (const auto& c : cases)
        EXPECT_EQ(recognizeModel(c.head, c.head.size(), c.extension), c.expected)
            << c.head.substr(0, 20) << " ." << c.extension;
}

// The thumbnailer and info on models saved without an extension, and files whose names lie.
TEST_F(ExchangeFiles, filesAreReadByWhatTheyHoldWhateverTheirName) {
    auto state = tool::makeToolState();
    buildSmallModel(state->model);
    ASSERT_TRUE(saveModel(*state, "two"));
    ASSERT_EQ(tool::runInfo({{"two"}}), 0);
    tool::RenderOptions render;
    render.input = "two";
    render.output = "two.png";
    render.size = "64";
    ASSERT_EQ(tool::runRender(render), 0);
    ASSERT_EQ(convert({"two", "model.stl"}), 0);
    ASSERT_EQ(convert({"two", "model.glb"}), 0);
    ASSERT_EQ(convert({"two", "model.obj"}), 0);
    fs::rename("model.stl", "stl-named.obj");
    fs::rename("model.glb", "glb-named.ply");
    fs::rename("model.obj", "obj-without-extension");
    for (const char* name : {"stl-named.obj", "glb-named.ply", "obj-without-extension"}) {
        auto back = tool::makeToolState();
        std::string error;
        ASSERT_TRUE(tool::readModel(name, {}, *back, error)) << name << ": " << error;
        EXPECT_GE(back->model.polygonCount, 2) << name;
    }
}

// Files that claim more than they hold, or name what is not there, are refused with a reason
// and without reading past their end or allocating what they claim.
TEST(ExchangeImport, filesThatLieAreRefused) {
    const std::string plyHead = "ply\nformat ascii 1.0\nelement vertex ";
    const std::string xyz = "\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string gltfHead =
        "{\"asset\":{\"version\":\"2.0\"},\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0}";
    const std::string buffer =
        ",\"bufferViews\":[{\"buffer\":0,\"byteLength\":36}],\"buffers\":[{\"byteLength\":36,"
        "\"uri\":\"data:application/octet-stream;base64,AACAPwAAAEAAAEBAAACAQAAAoEAAAMBAAACAPwAAAEAAAEBA\"}]}";
    const HandWritten lies[] = {
        {"ply", plyHead + "4000000000" + xyz + "end_header\n0 0 0\n"},
        {"ply", plyHead + "1" + xyz +
                    "element face 1\nproperty list uint int vertex_indices\nend_header\n0 0 0\n"
                    "4000000000 0 0 0\n"},
        {"ply", plyHead + "1" + xyz +
                    "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n"
                    "3 0 0 1\n"},
        {"ply", plyHead + "1" + xyz + "end_header\nnan 0 0\n"},
        {"ply", plyHead + "1\nproperty float x\nproperty float y\nend_header\n0 0\n"},
        {"ply", plyHead + "1\nproperty quad x\nend_header\n0\n"},
        {"ply", plyHead + "1" + xyz},
        {"gltf",
         gltfHead +
             ",\"indices\":1}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,"
             "\"type\":\"VEC3\"},{\"bufferView\":0,\"byteOffset\":32,\"componentType\":5125,\"count\":3,\"type\":"
             "\"SCALAR\"}]" +
             buffer},
        {"gltf", gltfHead +
                     "}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":"
                     "\"VEC3\"}]" +
                     buffer},
        {"gltf", gltfHead +
                     ",\"mode\":1,\"indices\":0}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,"
                     "\"count\":3,\"type\":\"VEC3\"}]" +
                     buffer},
        {"gltf", "{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"children\":[0]}]}"},
        // Forty nodes, each naming the next twice: a trillion paths through a few hundred bytes.
        {"gltf",
         [] {
             std::string nodes;
             for (int i = 0; i < 40; ++i)
                 nodes += "{\"children\":[" + std::to_string(i + 1) + "," + std::to_string(i + 1) + "]},";
             return "{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{\"nodes\":[0]}],\"nodes\":[" + nodes + "{}]}";
         }()},
    };
    for (const HandWritten& lie : lies) {
        auto model = std::make_unique<Model>();
        ExchangeMesh mesh;
        std::string error;
        EXPECT_FALSE(importBack(lie.bytes, lie.name, *model, mesh, error)) << lie.bytes;
        EXPECT_FALSE(error.empty()) << lie.bytes;
    }
}

// The binary chunk's data starts 8 bytes after its length field: a chunk that claims the rest
// of the file after that field would be read 8 bytes past the file's end.
TEST(ExchangeImport, aGlbWhoseBinaryChunkRunsPastTheEndIsRefused) {
    std::string json = "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":16}]}";
    json.resize((json.size() + 3) / 4 * 4, ' ');
    std::string glb = "glTF";
    const auto le32 = [&glb](std::size_t value) {
        for (int i = 0; i < 4; ++i) glb += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    le32(2), le32(20 + json.size() + 16), le32(json.size());
    glb += "JSON" + json;
    le32(16);
    glb += std::string("BIN\0", 4) + std::string(8, '\0');
    auto model = std::make_unique<Model>();
    ExchangeMesh mesh;
    std::string error;
    EXPECT_FALSE(importBack(glb, "glb", *model, mesh, error));
    EXPECT_EQ(error, "the GLB header's lengths do not match the file");
}

// A node's translation, rotation and scale place its mesh.
TEST(ExchangeImport, gltfNodesPlaceTheirMeshes) {
    const std::string gltf =
        "{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"children\":[1],\"translation\":"
        "[10,0,0]},{\"mesh\":0,\"rotation\":[0,0,0.7071068,0.7071068],\"scale\":[2,2,2]}],\"meshes\":[{\"primitives\":"
        "[{\"attributes\":{\"POSITION\":0},\"mode\":0}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,"
        "\"count\":3,\"type\":\"VEC3\"}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":36}],\"buffers\":[{"
        "\"byteLength\":36,\"uri\":\"data:application/octet-stream;base64,"
        "AACAPwAAAEAAAEBAAACAQAAAoEAAAMBAAACAPwAAAEAAAEBA\"}]}";
    auto model = std::make_unique<Model>();
    ExchangeMesh mesh;
    std::string error;
    ASSERT_TRUE(importBack(gltf, "gltf", *model, mesh, error)) << error;
    ASSERT_EQ(model->vertexCount, 3);
    // (1, 2, 3) doubled, turned a quarter about z to (-4, 2, 6), moved to (6, 2, 6); y and z flip.
    EXPECT_EQ(model->vertices[0].x, 6);
    EXPECT_EQ(model->vertices[0].y, -2);
    EXPECT_EQ(model->vertices[0].z, -6);
}

}  // namespace
}  // namespace vx::test
