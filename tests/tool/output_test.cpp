// What vxtool leaves behind: a batch's folder made when missing, and info as one JSON document.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

class ToolOutput : public InTempFolder {
protected:
    void saveCube(const std::string& path) {
        auto state = tool::makeToolState();
        state->model.polygons[0] = {{0, 1, 2, 2}, twoSidedFlag};
        state->model.polygonCount = 1;
        ASSERT_TRUE(saveModel(*state, path));
    }
};

TEST_F(ToolOutput, aBatchMakesItsMissingFolderButNotOneInPlaceOfAFile) {
    saveCube("cube.vx");
    tool::ConvertOptions options;
    options.files = {"cube.vx"};
    options.to = "obj";
    options.outputDir = "exports/deep";
    EXPECT_EQ(tool::runConvert(options), 0);
    EXPECT_TRUE(fs::exists("exports/deep/cube.obj"));
    writeFile("plain", bytesOf("a file"));
    options.outputDir = "plain/inside";
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool::runConvert(options), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("plain/inside: the output folder cannot be made"),
              std::string::npos);
    EXPECT_EQ(readFile("plain"), bytesOf("a file"));
}

// The document holds what the lines say, per file, and an unreadable file as its error; a name
// that needs escaping stays valid JSON.
TEST_F(ToolOutput, infoJsonIsOneDocumentWithEveryFile) {
    saveCube("cu\"be.vx");
    tool::InfoOptions options;
    options.files = {"cu\"be.vx", "missing.vx"};
    options.json = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool::runInfo(options), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out,
              "{\"files\":[{\"file\":\"cu\\\"be.vx\",\"vertices\":8,\"lines\":0,\"polygons\":1,\"triangles\":1,"
              "\"quads\":0,\"twoSided\":1,\"colours\":0,\"ownPalette\":false,\"bounds\":{\"x\":[-100,100],\"y\":[-100,100],\"z\":[-100,100]},"
              "\"problems\":5,\"information\":[\"3 edges belong to one polygon only: the model is open\"]},"
              "{\"file\":\"missing.vx\",\"error\":\"missing.vx: cannot be "
              "opened\"}]}\n");
}

// convert --palette gives the output the file's palette; info then says it is the model's own and
// counts the colours used; check notes bytes after the records that are not a palette.
TEST_F(ToolOutput, convertTakesAPaletteFileThatInfoAndCheckThenReport) {
    auto state = tool::makeToolState();
    state->model.polygons[0] = {{0, 1, 2, 2}, static_cast<uint16_t>(twoSidedFlag | 3)};
    state->model.polygons[1] = {{0, 2, 3, 3}, 5};
    state->model.polygons[2] = {{1, 2, 3, 3}, 3};
    state->model.polygonCount = 3;
    ASSERT_TRUE(saveModel(*state, "painted.vx"));
    writeFile("warm.hex", bytesOf("aa0000\n"));
    tool::ConvertOptions convert;
    convert.files = {"painted.vx", "warm.vx"};
    convert.palette = "warm.hex";
    ASSERT_EQ(tool::runConvert(convert), 0);
    auto warm = tool::makeToolState();
    ASSERT_EQ(loadModel(*warm, "warm.vx"), LoadVerdict::loaded);
    EXPECT_EQ(warm->model.palette[0], 0xAA0000u);
    EXPECT_EQ(warm->model.polygons[1].flags, 5);

    tool::InfoOptions info;
    info.files = {"warm.vx", "painted.vx"};
    testing::internal::CaptureStdout();
    EXPECT_EQ(tool::runInfo(info), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("warm.vx\n  vertices 8, lines 0, polygons 3 (triangles 3, quads 0, two-sided 1)\n"
                       "  colours 2 used, own palette\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  colours 2 used, built-in palette\n"), std::string::npos) << out;

    Bytes file = readFile("painted.vx");
    file.resize(file.size() + 3, 0);
    writeFile("tail.vx", file);
    tool::CheckOptions check;
    check.files = {"tail.vx", "warm.vx"};
    testing::internal::CaptureStdout();
    tool::runCheck(check);
    const std::string found = testing::internal::GetCapturedStdout();
    EXPECT_NE(found.find("tail.vx: information: 3 bytes after the records are not a palette and are ignored"),
              std::string::npos)
        << found;
    EXPECT_EQ(found.find("bytes after"), found.rfind("bytes after"));  // warm.vx's trailer is its palette
}

// A 400 MB file named .vx once took the thumbnailer 1.76 GB and 9 s before it was refused. Past
// the limit it is refused before it is read.
TEST_F(ToolOutput, theThumbnailerRefusesAFileLargerThanItsLimitAtOnce) {
    rlimit before{};
    ::getrlimit(RLIMIT_DATA, &before);
    { std::ofstream("big.vx") << "VTXF"; }
    fs::resize_file("big.vx", 400u << 20);  // sparse: no disk is used
    tool::RenderOptions options;
    options.input = "big.vx";
    options.output = "big.png";
    options.maxInputMiB = 32;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool::runRender(options), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("big.vx: larger than 32 MiB"), std::string::npos);
    EXPECT_FALSE(fs::exists("big.png"));
    rlimit during{};
    ::getrlimit(RLIMIT_DATA, &during);
    if (tool::memoryCapsApply) {
        EXPECT_LE(during.rlim_cur, rlim_t{200u << 20});
    }
    ::setrlimit(RLIMIT_DATA, &before);
    saveCube("small.vx");
    options.input = "small.vx";
    EXPECT_EQ(tool::runRender(options), 0);
    ::setrlimit(RLIMIT_DATA, &before);
    EXPECT_TRUE(fs::exists("big.png"));
}

}  // namespace
}  // namespace vx::test
