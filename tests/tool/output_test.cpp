// What vxtool leaves behind: a batch's folder made when missing, and info as one JSON document.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vx::test
