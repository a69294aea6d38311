// The model file's palette trailer: written only when needed, taken only when exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/editor_state.h"
#include "io/file_test_support.h"
#include "io/model/model_file.h"

namespace vx::test {
namespace {

std::unique_ptr<EditorState> defaultEditor() {
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    setDefaultModelAndView(*state);
    return state;
}

// A model's own palette follows its records; the built-in one leaves the file as it always was.
using ModelPalette = InTempFolder;

Palette somePalette() {
    Palette palette = builtinPalette;
    palette[0] = 0x123456;
    palette[30] = 0xFEDCBA;
    return palette;
}

TEST_F(ModelPalette, isWrittenAfterTheRecordsOnlyWhenItDiffersFromTheBuiltInOne) {
    auto state = defaultEditor();
    ASSERT_TRUE(saveModel(*state, "plain.vx"));
    EXPECT_EQ(readFile("plain.vx").size(), modelFileBytes(8, 0, 0));
    state->model.palette = somePalette();
    ASSERT_TRUE(saveModel(*state, "own.vx"));
    const Bytes file = readFile("own.vx");
    ASSERT_EQ(file.size(), modelFileBytes(8, 0, 0) + paletteTrailerBytes);
    const Bytes plain = readFile("plain.vx");
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), file.begin()));  // the records as before
    const std::size_t at = plain.size();
    EXPECT_EQ(Bytes(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at) + 7),
              (Bytes{'V', 'X', 'P', 'L', 0x12, 0x34, 0x56}));
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), (Bytes{0xFE, 0xDC, 0xBA}));
}

TEST_F(ModelPalette, isTakenOnlyWhenExactlyTheTrailerFollowsTheRecords) {
    auto state = defaultEditor();
    state->model.palette = somePalette();
    ASSERT_TRUE(saveModel(*state, "own.vx"));
    const Bytes own = readFile("own.vx");
    const Bytes records(own.begin(), own.end() - static_cast<long>(paletteTrailerBytes));
    struct Case {
        const char* what;
        Bytes file;
        bool taken;
        std::size_t otherBytes;
    };
    Bytes longer(own.size() + 1, 0), shorter(own.begin(), own.end() - 1), misnamed = own, nothing = records;
    std::copy(own.begin(), own.end(), longer.begin());
    misnamed[records.size() + 3] = 'X';
    const Case cases[] = {{"the trailer", own, true, 0},
                          {"one byte more", longer, false, paletteTrailerBytes + 1},
                          {"one byte less", shorter, false, paletteTrailerBytes - 1},
                          {"another signature", misnamed, false, paletteTrailerBytes},
                          {"nothing", nothing, false, 0}};
    for (const Case& c : cases) {
        writeFile("case.vx", c.file);
        auto loaded = defaultEditor();
        loaded->model.palette = {};  // a palette the load must replace either way
        ASSERT_EQ(loadModel(*loaded, "case.vx"), LoadVerdict::loaded) << c.what;
        EXPECT_EQ(loaded->model.palette, c.taken ? somePalette() : builtinPalette) << c.what;
        EXPECT_EQ(loaded->model.vertexCount, 8) << c.what;
        const ModelFileTail tail = modelFileTail(*loaded, "case.vx");
        EXPECT_EQ(tail.palette, c.taken) << c.what;
        EXPECT_EQ(tail.otherBytes, c.otherBytes) << c.what;
    }
}

TEST_F(ModelPalette, ofAFileThatEndsEarlyIsTheBuiltInOne) {
    auto state = defaultEditor();
    state->model.palette = somePalette();
    ASSERT_TRUE(saveModel(*state, "own.vx"));
    const Bytes own = readFile("own.vx");
    Bytes cut(own.size() - paletteTrailerBytes - 1);  // the records now end one byte short
    std::copy(own.begin(), own.begin() + static_cast<long>(cut.size()), cut.begin());
    writeFile("cut.vx", cut);
    auto loaded = defaultEditor();
    EXPECT_EQ(loadModel(*loaded, "cut.vx"), LoadVerdict::endsEarly);
    EXPECT_EQ(loaded->model.palette, builtinPalette);
}

}  // namespace
}  // namespace vx::test
