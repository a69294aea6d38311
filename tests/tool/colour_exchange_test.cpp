// Face colours through the exchange formats: what vxtool writes for other programs, and the
// palette a model takes from the colours another program's file paints.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "io/exchange/face_colours.h"
#include "io/exchange/mesh_simplify.h"
#include "io/exchange/model_import.h"
#include "io/exchange/writers.h"
#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

TEST(ColourConversion, everyByteSurvivesTheTripThroughLinearLightWrittenWithSevenDecimals) {
    for (uint32_t c = 0; c < 256; ++c) {
        EXPECT_EQ(srgbOfLinear(linearOfSrgb(c)), c);
        EXPECT_EQ(srgbOfLinear(std::stod(fractionText(linearOfSrgb(c)))), c);
    }
    EXPECT_EQ(srgbOfLinear(-0.5), 0u);
    EXPECT_EQ(srgbOfLinear(7.0), 255u);
    EXPECT_EQ(srgbOfLinear(std::nan("")), 0u);
    EXPECT_NEAR(linearOfSrgb(128), 0.2158605, 1e-6);  // mid grey is a fifth of the light
}

ExchangeMesh meshPainted(const std::vector<int32_t>& colours) {
    ExchangeMesh mesh;
    for (int32_t c : colours) mesh.faces.push_back({{0, 1, 2}, 0, c});
    return mesh;
}

TEST(ImportPalette, coloursOfTheBuiltInPaletteKeepItsEntries) {
    const ColourChoice choice = chooseColours(meshPainted({noColour, 0xB3261E, 0xFFFFFF, 0xB3261E}));
    EXPECT_EQ(choice.palette, builtinPalette);
    EXPECT_EQ(choice.colourOfFace, (std::vector<uint16_t>{0, 7, 1, 7}));
    EXPECT_EQ(choice.mergedColours, 0u);
}

TEST(ImportPalette, otherColoursComeFirstInTheOrderTheyAppearAndTheBuiltInOnesFillTheRest) {
    const ColourChoice choice = chooseColours(meshPainted({0x123456, noColour, 0xFFFFFF, 0x123456, 0xABCDEF}));
    EXPECT_EQ(choice.colourOfFace, (std::vector<uint16_t>{1, 0, 2, 1, 3}));
    EXPECT_EQ(choice.palette[0], 0x123456u);
    EXPECT_EQ(choice.palette[1], 0xFFFFFFu);
    EXPECT_EQ(choice.palette[2], 0xABCDEFu);
    EXPECT_EQ(choice.palette[3], builtinPalette[1]);  // white is there already: the built-in greys follow
    EXPECT_EQ(choice.palette[30], builtinPalette[28]);
}

// Forty colours: the nine used least take the nearest of the others; one close to a kept red
// takes that red, not the kept colour nearest in plain RGB numbers.
TEST(ImportPalette, pastThirtyOneColoursTheMostUsedStayAndTheRestTakeTheNearest) {
    std::vector<int32_t> colours;
    for (int32_t i = 0; i < 31; ++i)
        for (int k = 0; k < 3; ++k) colours.push_back(i == 0 ? 0xCC0000 : 0x000100 * (i * 8) + 0x40);
    for (int32_t i = 0; i < 9; ++i) colours.push_back(i == 0 ? 0xDD1010 : 0x300000 + i);
    const ColourChoice choice = chooseColours(meshPainted(colours));
    EXPECT_EQ(choice.mergedColours, 9u);
    EXPECT_EQ(choice.palette[0], 0xCC0000u);
    EXPECT_EQ(choice.colourOfFace[93], 1);  // 0xDD1010 became the red
    for (std::size_t i = 0; i < 93; ++i) EXPECT_EQ(choice.colourOfFace[i], i / 3 + 1) << i;
}

// Entries 3 and 5 of the file's palette are one colour: the face's own entry is kept when it is
// that colour, and a hint that does not match gives way to the colour's first entry.
TEST(ImportPalette, aPaletteThatHoldsAColourTwiceKeepsWhichEntryEachFaceUsed) {
    ExchangeMesh mesh = meshPainted({0x445566, 0x445566, 0x445566, noColour});
    mesh.hasPalette = true;
    mesh.palette[2] = mesh.palette[4] = 0x445566;
    mesh.faces[0].flags = 5 | twoSidedFlag;
    mesh.faces[1].flags = 3;
    mesh.faces[2].flags = 9;
    mesh.faces[3].flags = 12;  // no colour in the file: the hint stands
    const ColourChoice choice = chooseColours(mesh);
    EXPECT_EQ(choice.palette, mesh.palette);
    EXPECT_EQ(choice.colourOfFace, (std::vector<uint16_t>{5, 3, 3, 12}));
}

// A sphere of radius 1, its upper half red and its lower half blue (entry 5 as the hint), reduced
// from 20000 triangles to 500: each half keeps its colour, but for triangles along the equator.
TEST(SimplifyMesh, theReducedTrianglesKeepTheColoursAroundThem) {
    constexpr int rings = 100, segments = 100;
    ExchangeMesh mesh;
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double t = M_PI * i / rings, p = 2 * M_PI * j / segments;
            mesh.points.push_back({std::sin(t) * std::cos(p), std::cos(t), std::sin(t) * std::sin(p)});
        }
    const auto at = [&](int i, int j) { return static_cast<uint32_t>(i * segments + j % segments); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const bool upper = i < rings / 2;
            const int32_t colour = upper ? 0xFF0000 : 0x0000FF;
            const uint16_t hint = upper ? 0 : 5;
            mesh.faces.push_back({{at(i, j), at(i, j + 1), at(i + 1, j + 1)}, hint, colour});
            mesh.faces.push_back({{at(i, j), at(i + 1, j + 1), at(i + 1, j)}, hint, colour});
        }
    SimplifyReport report{};
    ASSERT_TRUE(simplifyMesh(mesh, {500, 5000, 0}, report));
    std::size_t wrong = 0;
    for (const ExchangeFace& f : mesh.faces) {
        double y = 0;
        for (uint32_t c : f.corners) y += mesh.points[c][1] / 3;
        ASSERT_NE(f.colour, noColour);
        EXPECT_EQ(colourOf(f.flags), f.colour == 0x0000FF ? 5 : 0);
        if (std::fabs(y) > 0.1) wrong += (y > 0) != (f.colour == 0xFF0000) ? 1 : 0;
    }
    EXPECT_LE(mesh.faces.size(), 500u);
    EXPECT_EQ(wrong, 0u);
}

class ColourFiles : public InTempFolder {
protected:
    static void write(const std::string& name, const std::string& text) { writeFile(name, bytesOf(text)); }
    static std::string text(const std::string& name) {
        const Bytes bytes = readFile(name);
        return std::string(bytes.begin(), bytes.end());
    }
    static int convert(std::vector<std::string> files, bool ascii = false) {
        tool::ConvertOptions options;
        options.files = std::move(files);
        options.ascii = ascii;
        return tool::runConvert(options);
    }
    // The model's polygon colours in table order.
    static std::vector<int32_t> coloursOf(const Model& m) {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < m.polygonCount; ++i)
            out.push_back(colourOf(m.polygons[static_cast<std::size_t>(i)].flags));
        return out;
    }
    Model imported(const std::string& name, ImportNotes& notes) {
        auto model = std::make_unique<Model>();
        ImportRequest request;
        request.scale = 1.0;
        EXPECT_TRUE(importModelFile(name, request, *model, notes)) << name << ": " << notes.error;
        return *model;
    }
};

// A quad of colour 7, a triangle without one, a two-sided triangle of colour 7 and one of 12.
void paintedModel(Model& m) {
    m.vertexCount = 5;
    const Vertex v[] = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {50, 50, 50}};
    std::copy(std::begin(v), std::end(v), m.vertices.begin());
    m.polygonCount = 4;
    m.polygons[0] = {{0, 1, 2, 3}, 7};
    m.polygons[1] = {{0, 1, 4, 4}, 0};
    m.polygons[2] = {{1, 2, 4, 4}, 7 | twoSidedFlag};
    m.polygons[3] = {{2, 3, 4, 4}, 12};
    m.lineCount = 0;
}

TEST_F(ColourFiles, anObjNamesAMaterialFileBesideItWithAColourForEachUsed) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    ASSERT_EQ(convert({"painted.vx", "painted.obj"}), 0);
    const std::string obj = text("painted.obj");
    EXPECT_EQ(obj.substr(0, obj.find("\nv ")), "# vxtool model\nmtllib painted.mtl");
    const std::size_t faces = obj.find("usemtl");
    EXPECT_EQ(obj.substr(faces, obj.find("\n#", faces) - faces),
              "usemtl colour7\nf 1 2 3 4\nusemtl none\nf 1 2 5\nusemtl colour7\nf 2 3 5\nusemtl colour12\nf 3 4 5");
    EXPECT_EQ(text("painted.mtl"),
              "# colours of painted.obj, written by vxtool\nnewmtl none\n"
              "newmtl colour7\nKd 0.7019608 0.1490196 0.1176471\n"
              "newmtl colour12\nKd 0.6588235 0.8784314 0.4784314\n");
    ImportNotes notes;
    EXPECT_EQ(coloursOf(imported("painted.obj", notes)), (std::vector<int32_t>{7, 0, 7, 12}));
    // Another program's change of a material's colour wins over the entry its name gives.
    write("painted.mtl", "newmtl colour7\nKd 0 0 1\nnewmtl colour12\nKd 0.6588235 0.8784314 0.4784314\n");
    const Model recoloured = imported("painted.obj", notes);
    EXPECT_EQ(coloursOf(recoloured), (std::vector<int32_t>{1, 0, 1, 2}));  // blue is no built-in colour
    EXPECT_EQ(recoloured.palette[0], 0x0000FFu);
    EXPECT_EQ(recoloured.palette[1], builtinPalette[11]);
    EXPECT_EQ(recoloured.palette[2], builtinPalette[0]);
}

// An OBJ that cannot be written (its name is a folder's) leaves its material file as it was.
TEST_F(ColourFiles, aFailedObjLeavesNoMaterialFileBehindAndAnOldOneAsItWas) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    fs::create_directory("a.obj");
    fs::create_directory("b.obj");
    write("b.mtl", "old");
    testing::internal::CaptureStderr();
    EXPECT_NE(convert({"painted.vx", "a.obj"}), 0);
    EXPECT_NE(convert({"painted.vx", "b.obj"}), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"a.obj", "b.mtl", "b.obj", "painted.vx"}));
    EXPECT_EQ(text("b.mtl"), "old");
}

// Before colours, vxtool wrote a polygon's colour bits in a flags note alone.
TEST_F(ColourFiles, anObjOfAnEarlierVxtoolKeepsTheColoursItsNotesGive) {
    write("old.obj", "# vxtool model\nv 0 0 0\nv 9 0 0\nv 0 9 0\nf 1 2 3\nf 1 3 2\n# vx flags 1 5\n# vx flags 2 32790\n");
    ImportNotes notes;
    const Model m = imported("old.obj", notes);
    ASSERT_EQ(m.polygonCount, 2);
    EXPECT_EQ(m.polygons[0].flags, 5);
    EXPECT_EQ(m.polygons[1].flags, 32790);
}

TEST_F(ColourFiles, aGlbOfAnEarlierVxtoolKeepsTheColoursItsPolygonTableGives) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    ASSERT_EQ(convert({"painted.vx", "painted.glb"}), 0);
    std::string glb = text("painted.glb");
    // The materials as they were: the first one-sided, the second two-sided, without colours.
    const std::size_t from = glb.find("\"materials\":["), to = glb.find("],\"accessors\"");
    std::string old = "\"materials\":[{\"name\":\"one-sided\",\"doubleSided\":false},{\"name\":\"two-sided\",\"doubleSided\":true}";
    ASSERT_GE(to - from, old.size());
    old.resize(to - from, ' ');
    glb.replace(from, to - from, old);
    // The new materials are colour7, none, colour7 two-sided and colour12, in that order.
    for (const auto& [now, was] : {std::pair{"1", "0"}, {"2", "1"}, {"3", "0"}})
        glb.replace(glb.find(std::string("\"material\":") + now), 12, std::string("\"material\":") + was);
    write("old.glb", glb);
    ImportNotes notes;
    const Model m = imported("old.glb", notes);
    ASSERT_EQ(m.polygonCount, 4) << notes.error;
    EXPECT_EQ(coloursOf(m), (std::vector<int32_t>{7, 0, 7, 12}));
}

TEST_F(ColourFiles, aModelWithoutColoursWritesNoMaterialsAndNoColourProperties) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    for (int32_t i = 0; i < 4; ++i) state->model.polygons[static_cast<std::size_t>(i)].flags &= ~colourMask;
    ASSERT_TRUE(saveModel(*state, "plain.vx"));
    ASSERT_EQ(convert({"plain.vx", "plain.obj"}), 0);
    ASSERT_EQ(convert({"plain.vx", "plain.ply"}, true), 0);
    ASSERT_EQ(convert({"plain.vx", "plain.glb"}), 0);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"plain.glb", "plain.obj", "plain.ply", "plain.vx"}));
    EXPECT_EQ(text("plain.obj").find("mtl"), std::string::npos);
    EXPECT_EQ(text("plain.ply").find("red"), std::string::npos);
    EXPECT_NE(text("plain.glb").find("{\"name\":\"one-sided\",\"doubleSided\":false},{\"name\":\"two-sided\""),
              std::string::npos);
}

TEST_F(ColourFiles, plyFacesCarryTheirColoursAndTheUncolouredOnesAreNamed) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    ASSERT_EQ(convert({"painted.vx", "painted.ply"}, true), 0);
    const std::string ply = text("painted.ply");
    EXPECT_NE(ply.find("comment vx uncoloured 2\n"), std::string::npos);
    EXPECT_NE(ply.find("vertex_indices\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"),
              std::string::npos);
    EXPECT_NE(ply.find("\n4 0 1 2 3 179 38 30\n3 0 1 4 255 255 255\n"), std::string::npos);
}

TEST_F(ColourFiles, glbMaterialsAreOnePerColourAndSidednessInLinearLight) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    ASSERT_EQ(convert({"painted.vx", "painted.glb"}), 0);
    const std::string glb = text("painted.glb");
    const std::size_t at = glb.find("\"materials\":[");
    ASSERT_NE(at, std::string::npos);
    const std::string materials = glb.substr(at, glb.find("],\"accessors\"") - at);
    EXPECT_NE(
        materials.find(
            "{\"name\":\"colour7\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.4507858,0.0193824,0.0129830,1]"),
        std::string::npos)
        << materials;
    EXPECT_NE(materials.find("\"metallicFactor\":0,\"roughnessFactor\":1},\"doubleSided\":false}"), std::string::npos);
    EXPECT_NE(materials.find("{\"name\":\"one-sided\",\"doubleSided\":false}"), std::string::npos);
    EXPECT_NE(materials.find("{\"name\":\"colour7 two-sided\""), std::string::npos);
    EXPECT_NE(materials.find("{\"name\":\"colour12\""), std::string::npos);
    EXPECT_EQ(materials.find("two-sided\",\"doubleSided"), std::string::npos);  // no uncoloured two-sided face
}

TEST_F(ColourFiles, stlCountsTheColoursItLeavesOut) {
    auto state = tool::makeToolState();
    paintedModel(state->model);
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    testing::internal::CaptureStderr();
    ASSERT_EQ(convert({"painted.vx", "painted.stl"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vxtool: note: painted.stl: STL holds triangles only; left out 1 polygon's two-sided flag, 2 colours\n");
}

// Other programs' files: OBJ materials with and without Kd, PLY face colours and vertex colours
// (fractions) averaged per face, glTF base colours times the mean of COLOR_0.
TEST_F(ColourFiles, otherProgramsColoursBecomeThePalette) {
    write("box.mtl", "newmtl plain\nKa 1 1 1\nnewmtl red\nKd 1 0 0\nnewmtl teal\n  Kd 0.1215686 0.5411765 0.5019608\n");
    write("box.obj",
          "mtllib box.mtl\nv 0 0 0\nv 9 0 0\nv 9 9 0\nv 0 9 0\nf 1 2 3\nusemtl plain\nf 1 3 4\n"
          "usemtl red\nf 1 2 4\nusemtl teal\nf 2 3 4\nusemtl missing\nf 1 2 3\n");
    ImportNotes notes;
    const Model obj = imported("box.obj", notes);
    EXPECT_EQ(coloursOf(obj), (std::vector<int32_t>{0, 0, 1, 2, 0}));  // an unknown material paints nothing
    EXPECT_EQ(obj.palette[0], 0xFF0000u);
    EXPECT_EQ(obj.palette[1], 0x1F8A80u);
    write("faces.ply",
          "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
          "element face 2\nproperty list uchar int vertex_indices\nproperty uchar red\nproperty uchar green\n"
          "property uchar blue\nend_header\n0 0 0\n9 0 0\n0 9 0\n3 0 1 2 31 138 128\n3 0 2 1 1 2 3\n");
    const Model faces = imported("faces.ply", notes);
    EXPECT_EQ(coloursOf(faces), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(faces.palette[0], 0x1F8A80u);
    EXPECT_EQ(faces.palette[1], 0x010203u);
    write("corners.ply",
          "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
          "property float red\nproperty float green\nproperty float blue\nelement face 1\n"
          "property list uchar int vertex_indices\nend_header\n0 0 0 1 0 0\n9 0 0 0 1 0\n0 9 0 0 0 1\n"
          "3 0 1 2\n");
    EXPECT_EQ(imported("corners.ply", notes).palette[0], 0x555555u);
}

// The triangle's three corners red, green and blue in floats, under a material of half red.
std::string colouredGltf() {
    std::string bin;
    const auto floats = [&](std::initializer_list<float> values) {
        for (float v : values) {
            const auto bits = std::bit_cast<uint32_t>(v);
            for (int k = 0; k < 4; ++k) bin += static_cast<char>((bits >> (8 * k)) & 0xFF);
        }
    };
    floats({0, 0, 0, 9, 0, 0, 0, 9, 0});
    floats({1, 0, 0, 0, 1, 0, 0, 0, 1});
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t i = 0; i < bin.size(); i += 3) {  // 72 bytes: no padding
        const uint32_t n = static_cast<uint8_t>(bin[i]) << 16 | static_cast<uint8_t>(bin[i + 1]) << 8 |
                           static_cast<uint8_t>(bin[i + 2]);
        for (int shift : {18, 12, 6, 0}) base64 += digits[(n >> shift) & 63];
    }
    return "{\"asset\":{\"version\":\"2.0\"},\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,"
           "\"COLOR_0\":1},\"material\":0},{\"attributes\":{\"POSITION\":0},\"material\":1}]}],"
           "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.5,1,1,1]}},"
           "{\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.0030353,0.0030353,0.0030353,1]}}],"
           "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\","
           "\"min\":[0,0,0],\"max\":[9,9,0]},{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\"}],"
           "\"bufferViews\":[{\"buffer\":0,\"byteLength\":36},{\"buffer\":0,\"byteOffset\":36,\"byteLength\":36}],"
           "\"buffers\":[{\"byteLength\":72,\"uri\":\"data:application/octet-stream;base64," +
           base64 + "\"}]}";
}

TEST_F(ColourFiles, gltfBaseColoursAndCornerColoursBecomeThePalette) {
    write("triangle.gltf", colouredGltf());
    ImportNotes notes;
    const Model m = imported("triangle.gltf", notes);
    ASSERT_EQ(m.polygonCount, 2);
    EXPECT_EQ(coloursOf(m), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(m.palette[0], (srgbOfLinear(0.5 / 3) << 16 | srgbOfLinear(1.0 / 3) << 8 | srgbOfLinear(1.0 / 3)));
    EXPECT_EQ(m.palette[1], 0x0A0A0Au);  // 0.0030353 is the light of 10 out of 255
}

TEST_F(ColourFiles, moreColoursThanThePaletteHoldsAreMergedWithANote) {
    std::string ply =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 40\nproperty list uchar int vertex_indices\nproperty uchar red\n"
        "property uchar green\nproperty uchar blue\nend_header\n0 0 0\n9 0 0\n0 9 0\n";
    for (int i = 0; i < 40; ++i) ply += "3 0 1 2 " + std::to_string(i * 6) + " 100 100\n";
    write("many.ply", ply);
    ImportNotes notes;
    const Model m = imported("many.ply", notes);
    EXPECT_EQ(m.polygonCount, 40);
    EXPECT_EQ(notes.lines, (std::vector<std::string>{"note: many.ply: more face colours than the palette's 31 entries: "
                                                     "9 colours merged into the nearest of the most used"}));
}

}  // namespace
}  // namespace vx::test
