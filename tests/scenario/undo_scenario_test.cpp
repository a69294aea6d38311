// Undo and redo as a user meets them: every kind of model change, the keys, and the saved state.
#include <gtest/gtest.h>

#include <functional>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "support/scenario.h"

namespace vx::test {
namespace {

constexpr int32_t ctrlZ = 26, ctrlY = 25;

struct Undo : InTempFolder {
    // A cube with lines and polygons that a vertex delete renumbers, counted as saved.
    std::unique_ptr<Scenario> start() {
        auto editor = std::make_unique<Scenario>();
        editor->moveTo(400, 300);  // in the window before Vertices mode sees the wheel
        Model& model = editor->state().model;
        model.lines[0] = {0, 1};
        model.lines[1] = {2, 5};
        model.lines[2] = {6, 7};
        model.lineCount = 3;
        model.polygons[0] = {{0, 1, 2, 3}, 0};
        model.polygons[1] = {{4, 5, 6, 6}, twoSidedFlag};
        model.polygons[2] = {{1, 5, 6, 2}, 0};
        model.polygonCount = 3;
        resetHistory(editor->state().history, model, editor->state().currentFileName);
        editor->key("x");  // a frame of the new model, for picks and normals
        return editor;
    }
    // The model as a save writes it.
    Bytes saved(Scenario& editor) {
        EXPECT_TRUE(saveModel(editor.state(), "snapshot.vx"));
        return readFile("snapshot.vx");
    }
};

void select(Scenario& editor, std::initializer_list<uint16_t> vertices) {
    Selection& selection = editor.state().selection;
    selection.vertexCount = 0;
    for (uint16_t v : vertices) selection.vertices[static_cast<std::size_t>(selection.vertexCount++)] = v;
}

void polygonKey(Scenario& editor, int32_t polygon, const char* key) {
    editor.key("e");
    editor.state().selection.polygon = -(polygon + 1);
    editor.key(key);
}

struct Edit {
    const char* name;
    std::function<void(Scenario&)> make;
};

const Edit edits[] = {
    {"place", [](Scenario& e) { e.key("v"), e.click(420, 310); }},
    {"move", [](Scenario& e) { e.key("v"), select(e, {2}), e.click(420, 310); }},
    {"remove the last", [](Scenario& e) { e.key("v"), e.key("d"); }},
    {"delete and renumber", [](Scenario& e) { e.key("v"), select(e, {1}), e.key("d"); }},
    {"line",
     [](Scenario& e) {
         e.key("v"), select(e, {3, 4}), e.click(420, 310);
     }},
    {"triangle",
     [](Scenario& e) {
         e.key("v"), select(e, {0, 4, 6}), e.click(420, 310);
     }},
    {"rectangle",
     [](Scenario& e) {
         e.key("v"), select(e, {0, 1, 5, 4}), e.click(420, 310);
     }},
    {"flip", [](Scenario& e) { polygonKey(e, 2, "p"); }},
    {"toggle", [](Scenario& e) { polygonKey(e, 0, "t"); }},
    {"polygon delete", [](Scenario& e) { polygonKey(e, 0, "d"); }},
    {"quad", [](Scenario& e) { e.key("e"), e.click(400, 300); }},
    {"load",
     [](Scenario& e) {
         writeFile("other.vx", bytesOf(std::string("VTXF\0\1\0\0\0\0\0\0", 12) + std::string(12, '\7')));
         e.key("f");
         headless::typeOneByOne("lother.vx\r");
         e.run();
     }},
};

TEST_F(Undo, everyKindOfChangeUndoesAndRedoesToIdenticalTables) {
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        auto editor = start();
        const Bytes before = saved(*editor);
        edit.make(*editor);
        const Bytes after = saved(*editor);
        ASSERT_NE(after, before);
        select(*editor, {1, 2});
        editor->state().selection.polygon = -1;
        const auto frames = editor->state().loop.framesDrawn;
        editor->keyCode(ctrlZ);
        EXPECT_EQ(saved(*editor), before);
        EXPECT_EQ(editor->state().selection.vertexCount, 0);
        EXPECT_EQ(editor->state().selection.polygon, 0);
        EXPECT_EQ(editor->state().loop.framesDrawn, frames + 1);
        editor->keyCode(ctrlY);
        EXPECT_EQ(saved(*editor), after);
        editor->keyCode(ctrlZ);
        editor->keyCode(ctrlShiftZ);
        EXPECT_EQ(saved(*editor), after);
    }
}

TEST_F(Undo, withNothingToUndoOrRedoNothingHappensAndANewChangeDropsRedo) {
    auto editor = start();
    const Bytes cube = saved(*editor);
    const auto frames = editor->state().loop.framesDrawn;
    editor->keyCode(ctrlZ);
    editor->keyCode(ctrlY);
    EXPECT_EQ(editor->state().loop.framesDrawn, frames);
    editor->key("v");
    editor->click(420, 310);
    editor->click(380, 290);
    editor->keyCode(ctrlZ);
    editor->click(300, 200);  // a new change: the undone placement is gone for good
    const Bytes latest = saved(*editor);
    editor->keyCode(ctrlY);
    EXPECT_EQ(saved(*editor), latest);
    editor->keyCode(ctrlZ);
    editor->keyCode(ctrlZ);
    EXPECT_EQ(saved(*editor), cube);
}

// Camera, turns, modes and display settings are no steps: Ctrl+Z passes them by.
TEST_F(Undo, viewChangesAreNoSteps) {
    auto editor = start();
    editor->key("v");
    editor->click(420, 310);
    editor->key("+4a1");
    editor->keyCode(ctrlZ);
    EXPECT_EQ(editor->state().model.vertexCount, 8);
    EXPECT_EQ(editor->state().camera.zoom, 201.0f);
    EXPECT_EQ(editor->state().showFlags, 6);
}

// While a name is typed every key goes to the line editor, which takes Ctrl+Z as no character.
TEST_F(Undo, ctrlZWhileANameIsTypedGoesIntoTheName) {
    auto editor = start();
    editor->key("v");
    editor->click(420, 310);
    editor->key("f");
    headless::typeOneByOne("am\x1A.vx\r");
    editor->run();
    EXPECT_EQ(editor->state().currentFileName, "m.vx");
    EXPECT_EQ(editor->state().model.vertexCount, 9);
}

// Unsaved changes are differences from what was last saved or loaded; undoing back there
// leaves none.
TEST_F(Undo, unsavedChangesFollowTheSavedStateThroughUndoAndRedo) {
    auto editor = start();
    const auto unsaved = [&] { return editor->state().history.unsavedChanges; };
    EXPECT_FALSE(unsaved());
    editor->key("v");
    editor->click(420, 310);
    EXPECT_TRUE(unsaved());
    editor->keyCode(ctrlZ);
    EXPECT_FALSE(unsaved());
    editor->keyCode(ctrlY);
    EXPECT_TRUE(unsaved());
    editor->key("fs");
    EXPECT_FALSE(unsaved());
    editor->keyCode(ctrlZ);
    EXPECT_TRUE(unsaved());
    editor->keyCode(ctrlY);
    EXPECT_FALSE(unsaved());
    fs::remove("unnamed.vx");
    editor->key("L");  // fails: nothing to load, nothing changes
    EXPECT_FALSE(unsaved());
    editor->key("v");
    editor->click(420, 310);
    editor->key("f");
    headless::typeOneByOne("asaved-as.vx\r");
    editor->run();
    EXPECT_FALSE(unsaved());
    editor->keyCode(ctrlZ);  // the edit goes; the name it was saved under stays
    EXPECT_EQ(editor->state().currentFileName, "saved-as.vx");
    EXPECT_TRUE(unsaved());
    editor->keyCode(ctrlY);
    EXPECT_FALSE(unsaved());
}

// Ctrl+Z right after "a" once took back only the new name and left the edit the user meant to
// undo. A save is no edit: the undo takes back the edit, and the name stays.
TEST_F(Undo, aSaveIsNoStepAndTheUndoAfterItTakesBackTheLastEdit) {
    for (const char* command : {"s", "athree.vx\r"}) {
        SCOPED_TRACE(command);
        auto editor = start();
        editor->state().currentFileName = "two.vx";
        editor->key("v");
        editor->click(420, 310);
        const int32_t vertices = editor->state().model.vertexCount;
        editor->key("f");
        headless::typeOneByOne(command);
        editor->run();
        const std::string name = editor->state().currentFileName;
        EXPECT_FALSE(editor->state().history.unsavedChanges);
        editor->keyCode(ctrlZ);
        EXPECT_EQ(editor->state().model.vertexCount, vertices - 1);
        EXPECT_EQ(editor->state().currentFileName, name);
        EXPECT_TRUE(editor->state().history.unsavedChanges);
        editor->keyCode(ctrlY);
        EXPECT_EQ(editor->state().model.vertexCount, vertices);
        EXPECT_FALSE(editor->state().history.unsavedChanges);
    }
}

// A quick save after undoing a load writes where the restored model belongs, and after redoing
// it, to the loaded name; the other file is left as it was.
TEST_F(Undo, theFileNameTravelsWithTheModelThroughUndoAndRedoOfALoad) {
    struct Case {
        const char* name;
        const char* command;  // File-mode keys that move the edited model to another name
        const char* newName;
    };
    for (const Case& c : {Case{"load", "lfirst.vx\r", "first.vx"}}) {
        SCOPED_TRACE(c.name);
        auto editor = start();
        EXPECT_TRUE(saveModel(editor->state(), "first.vx"));
        editor->state().currentFileName = "two.vx";
        editor->key("v");
        editor->click(420, 310);
        const Bytes edited = saved(*editor);
        editor->key("f");
        headless::typeOneByOne(c.command);
        editor->run();
        const Bytes afterCommand = saved(*editor);
        fs::remove("two.vx");
        fs::remove(c.newName);
        editor->keyCode(ctrlZ);
        EXPECT_EQ(editor->state().currentFileName, "two.vx");
        EXPECT_TRUE(editor->state().history.unsavedChanges);  // two.vx lacks the edit either way
        editor->key("s");
        EXPECT_EQ(readFile("two.vx"), edited);
        EXPECT_FALSE(fs::exists(c.newName));
        editor->keyCode(ctrlY);
        EXPECT_EQ(editor->state().currentFileName, c.newName);
        editor->key("s");
        EXPECT_EQ(readFile(c.newName), afterCommand);
        EXPECT_EQ(readFile("two.vx"), edited);
    }
}

}  // namespace
}  // namespace vx::test
