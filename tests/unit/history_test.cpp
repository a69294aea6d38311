// The history's steps and bounds, driven by random edits of every shape the editor makes.
#include "core/history.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/editor_state.h"

namespace vx::test {
namespace {

std::unique_ptr<Model> fullModel() {
    auto model = std::make_unique<Model>();
    for (int32_t i = 0; i < maxVertices; ++i) model->vertices[static_cast<std::size_t>(i)] = {i, -i, i * 3};
    for (int32_t i = 0; i < maxPolygons; ++i) {
        const auto v = static_cast<uint16_t>(i);
        model->polygons[static_cast<std::size_t>(i)] = {{v, v, v, v}, static_cast<uint16_t>(i & 1 ? twoSidedFlag : 0)};
    }
    for (int32_t i = 0; i < maxLines; ++i) model->lines[static_cast<std::size_t>(i)] = {uint16_t(i), uint16_t(i + 1)};
    model->vertexCount = maxVertices;
    model->polygonCount = maxPolygons;
    model->lineCount = maxLines;
    return model;
}

// One random edit of the kinds the editor makes: a count moved up or down, one entry changed
// (a polygon painted among them), a palette entry changed as loading a palette does, or a run of
// entries shifted down as a delete with renumbering does.
void randomEdit(Model& model, std::mt19937& random) {
    auto pick = [&random](int32_t below) { return static_cast<int32_t>(random() % static_cast<uint32_t>(below)); };
    switch (pick(7)) {
        case 0:
            model.vertexCount = pick(maxVertices + 1);
            break;
        case 1:
            model.vertices[static_cast<std::size_t>(pick(maxVertices))].x = pick(1000);
            break;
        case 2:
            model.polygons[static_cast<std::size_t>(pick(maxPolygons))].flags ^= twoSidedFlag;
            break;
        case 4:
            model.polygons[static_cast<std::size_t>(pick(maxPolygons))].flags ^= static_cast<uint16_t>(1 + pick(31));
            break;
        case 5:
            model.palette[static_cast<std::size_t>(pick(paletteSize))] = static_cast<uint32_t>(pick(0x1000000));
            break;
        case 3:
            model.lines[static_cast<std::size_t>(pick(maxLines))].b = static_cast<uint16_t>(pick(50));
            break;
        default: {
            const auto from = static_cast<std::size_t>(pick(maxPolygons - 1));
            std::copy(model.polygons.begin() + static_cast<long>(from) + 1, model.polygons.end(),
                      model.polygons.begin() + static_cast<long>(from));
            model.polygonCount = std::max(model.polygonCount - 1, 0);
        }
    }
}

// Renames come alone (a save-as) or with an edit (a load), and undo and redo take the name back
// and forth with the model it went with.
TEST(History, undoAndRedoWalkEveryRandomEditAndRenameBackAndForthExactly) {
    auto model = fullModel();
    std::string name = "first.vx";
    History history{};
    resetHistory(history, *model, name);
    std::vector<std::pair<std::unique_ptr<Model>, std::string>> states;
    states.emplace_back(std::make_unique<Model>(*model), name);
    std::mt19937 random(9);
    for (int i = 0; i < 300; ++i) {
        const uint32_t kind = random() % 6;
        if (kind != 0) randomEdit(*model, random);
        if (kind < 2) name = "file" + std::to_string(i) + ".vx";
        if (recordStep(history, *model, name)) states.emplace_back(std::make_unique<Model>(*model), name);
    }
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(undoStep(history, *model, name));
        ASSERT_TRUE(sameModel(*model, *states[i - 1].first)) << "after undoing step " << i;
        ASSERT_EQ(name, states[i - 1].second) << "after undoing step " << i;
    }
    EXPECT_FALSE(undoStep(history, *model, name));
    EXPECT_FALSE(history.unsavedChanges);
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(redoStep(history, *model, name));
        ASSERT_TRUE(sameModel(*model, *states[i].first)) << "after redoing step " << i;
        ASSERT_EQ(name, states[i].second) << "after redoing step " << i;
    }
    EXPECT_FALSE(redoStep(history, *model, name));
    EXPECT_TRUE(history.unsavedChanges);
}

// 1000 placements on a full polygon and line table cost about their own few bytes each, and the
// last 1000 steps all stay.
TEST(History, keepsTheLast1000SmallStepsInLittleMemory) {
    auto model = fullModel();
    model->vertexCount = 3000;
    std::string name = "m.vx";
    History history{};
    resetHistory(history, *model, name);
    for (int32_t i = 0; i < 1500; ++i) {
        model->vertices[static_cast<std::size_t>(model->vertexCount++)] = {i, i, i};
        recordStep(history, *model, name);
    }
    EXPECT_LT(history.bytes * 3 / 2, std::size_t{1} << 20);  // 1000 of them stay under 1 MiB
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(undoStep(history, *model, name));
    EXPECT_EQ(model->vertexCount, 3500);
}

// Whole-table steps (a delete of vertex 0 renumbers everything) fill the memory bound; the
// oldest go first, and what stays still undoes exactly.
TEST(History, largeStepsStayWithin64MiBAndTheNewestStillUndo) {
    auto model = fullModel();
    std::string name = "m.vx";
    History history{};
    resetHistory(history, *model, name);
    std::vector<int32_t> firstX;
    for (int i = 0; i < 400; ++i) {
        firstX.push_back(model->vertices[0].x);
        for (int32_t v = 0; v < maxVertices; ++v) model->vertices[static_cast<std::size_t>(v)].x += 1;
        for (auto& polygon : model->polygons) polygon.flags ^= 1;
        recordStep(history, *model, name);
    }
    EXPECT_LE(history.bytes, maxHistoryBytes);
    EXPECT_GT(history.bytes, maxHistoryBytes / 2);
    const std::size_t kept = history.steps.size();
    EXPECT_LT(kept, 400u);
    for (std::size_t i = 0; i < kept; ++i) ASSERT_TRUE(undoStep(history, *model, name));
    EXPECT_FALSE(undoStep(history, *model, name));
    EXPECT_EQ(model->vertices[0].x, firstX[400 - kept]);
}

}  // namespace
}  // namespace vx::test
