// The named views and the orthographic projection of Camera mode, and editing through them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

int32_t degrees(float angle) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(angle) * static_cast<double>(degreesPerRadian)));
}

// A view key, the angles it shows, the model axis it looks along (0 x, 1 y, 2 z) and the sign
// of the coordinate on the side that faces the viewer.
struct ViewCase {
    const char* key;
    int32_t axy, axz, ayz;
    int axis;
    int nearSign;
};

constexpr ViewCase viewCases[] = {
    {"a", 0, 0, 0, 2, -1},   {"A", 0, 180, 0, 2, 1},  {"s", 0, -90, 0, 0, 1},
    {"S", 0, 90, 0, 0, -1},  {"d", 0, 0, -90, 1, -1}, {"D", 0, 0, 90, 1, 1},
};

int coordinate(const Vertex& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// The default cube's corners come in pairs that differ along any one axis.
int32_t partnerAlong(const EditorState& s, int32_t i, int axis) {
    const Vertex& a = s.model.vertices[static_cast<std::size_t>(i)];
    for (int32_t j = 0; j < s.model.vertexCount; ++j) {
        const Vertex& b = s.model.vertices[static_cast<std::size_t>(j)];
        if (j != i && coordinate(a, axis) == -coordinate(b, axis) && coordinate(a, (axis + 1) % 3) == coordinate(b, (axis + 1) % 3) &&
            coordinate(a, (axis + 2) % 3) == coordinate(b, (axis + 2) % 3))
            return j;
    }
    return -1;
}

bool samePixel(const ProjectedVertex& a, const ProjectedVertex& b) {
    return a.screenX == b.screenX && a.screenY == b.screenY;
}

TEST(ViewKeys, eachViewShowsItsSideNearestAndPointsAlongTheViewAxisMeetOnlyWhenOrthographic) {
    for (const ViewCase& view : viewCases) {
        SCOPED_TRACE(view.key);
        Scenario editor;
        EditorState& s = editor.state();
        editor.key("c+");
        editor.key(view.key);
        EXPECT_EQ(degrees(s.camera.axy), view.axy);
        EXPECT_EQ(degrees(s.camera.axz), view.axz);
        EXPECT_EQ(degrees(s.camera.ayz), view.ayz);
        EXPECT_EQ(s.camera.zoom, 201.0f);  // zoom and pan stay
        for (int32_t i = 0; i < 8; ++i) {
            const int32_t j = partnerAlong(s, i, view.axis);
            ASSERT_GE(j, 0);
            const bool iNear = coordinate(s.model.vertices[static_cast<std::size_t>(i)], view.axis) * view.nearSign > 0;
            EXPECT_EQ(s.projected[static_cast<std::size_t>(i)].depth < s.projected[static_cast<std::size_t>(j)].depth, iNear);
            EXPECT_FALSE(samePixel(s.projected[static_cast<std::size_t>(i)], s.projected[static_cast<std::size_t>(j)]));
        }
        editor.key("p");
        for (int32_t i = 0; i < 8; ++i) {
            const int32_t j = partnerAlong(s, i, view.axis);
            EXPECT_TRUE(samePixel(s.projected[static_cast<std::size_t>(i)], s.projected[static_cast<std::size_t>(j)])) << i;
        }
    }
}

TEST(ViewKeys, viewsAreUprightAndTheTopViewHasTheFrontAtTheBottom) {
    Scenario editor;
    const EditorState& s = editor.state();
    editor.key("c");
    const auto screenY = [&](int32_t i) { return s.projected[static_cast<std::size_t>(i)].screenY; };
    for (const char* key : {"a", "A", "s", "S"}) {
        editor.key(key);
        EXPECT_LT(screenY(0), screenY(3)) << key;  // y -100 above y 100
    }
    editor.key("d");
    EXPECT_GT(screenY(4), screenY(0));  // z -100, the front, below z 100
    editor.key("s");
    EXPECT_LT(s.projected[4].screenX, s.projected[0].screenX);  // from the right, the front is on the left
}

TEST(Orthographic, keepsTheMiddlesSizeAndTheValueRowSaysSo) {
    Scenario editor;
    const EditorState& s = editor.state();
    const std::string before = textLine(1);
    editor.key("cp");
    EXPECT_EQ(textLine(1), before + " ortho");
    // Every corner at the size perspective gives depth 400: 100 units are 50 pixels.
    EXPECT_EQ(s.projected[0].screenX, 350);
    EXPECT_EQ(s.projected[4].screenX, 350);
    EXPECT_EQ(s.projected[2].screenY, 350);
    EXPECT_EQ(s.projected[0].depth, 500);  // depth as in perspective
    EXPECT_EQ(s.projected[4].depth, 300);
    editor.key("p");
    EXPECT_EQ(textLine(1), before);
    EXPECT_EQ(s.projected[4].screenX, 333);
}

TEST(Orthographic, aClickPlacesAVertexExactlyUnderThePointerInEveryView) {
    for (const char* view : {"a", "A", "s", "S", "d", "D"}) {
        SCOPED_TRACE(view);
        Scenario editor;
        EditorState& s = editor.state();
        editor.key("cp");
        editor.key(view);
        editor.key("v");
        editor.moveTo(300, 300);
        for (int notch = 0; notch < 30; ++notch) editor.wheel(-1);  // the pointer nearer than the middle
        editor.click(463, 341);
        ASSERT_EQ(s.model.vertexCount, 9);
        const ProjectedVertex& placed = s.projected[8];
        EXPECT_EQ(placed.screenX, 463);
        EXPECT_EQ(placed.screenY, 341);
        EXPECT_LT(s.input.pointerDistance, -20);
        // The editor's quarter turn is a little off a right angle, which can take a depth just
        // below the whole number it would be.
        EXPECT_NEAR(placed.depth, 400 + s.input.pointerDistance, 1);
    }
}

TEST(Orthographic, theHiddenVertexBehindAnotherCanBePickedInTurn) {
    Scenario editor;
    EditorState& s = editor.state();
    editor.key("cpv");
    editor.click(350, 250, rightButton);
    ASSERT_EQ(s.selection.vertexCount, 1);
    EXPECT_EQ(s.selection.vertices[0], 4);  // the nearer marker covers the one behind
    EXPECT_EQ(textLine(5), "b to pick the vertex hidden behind the last one picked");
    editor.key("b");
    EXPECT_EQ(s.selection.vertices[0], 0);
    editor.key("b");
    EXPECT_EQ(s.selection.vertices[0], 4);  // after the farthest, the nearest again
    editor.click(450, 250, rightButton);
    editor.key("b");  // only the last picked gives way
    EXPECT_EQ(s.selection.vertices[0], 4);
    EXPECT_EQ(s.selection.vertices[1], 1);
    editor.key("p");  // not Vertices mode's key: the every-mode keys see it, nothing breaks
    editor.key("cpv");
    EXPECT_EQ(textLine(5), "");  // in perspective nothing hides exactly
}

void typed(Scenario& editor, std::string_view keys) {
    headless::typeOneByOne(keys);
    editor.run();
}

TEST(TypedPosition, placesWithNothingSelectedMovesTheSelectedOneAndUndoesInOneStep) {
    Scenario editor;
    EditorState& s = editor.state();
    editor.key("v");
    typed(editor, "=12 -7 2147483647\r");
    ASSERT_EQ(s.model.vertexCount, 9);
    EXPECT_EQ(s.model.vertices[8], (Vertex{12, -7, 2147483647}));
    editor.click(360, 260, rightButton);  // vertex 0
    ASSERT_EQ(s.selection.vertexCount, 1);
    typed(editor, "=  -5 6   -2147483648 \r");
    EXPECT_EQ(s.model.vertices[0], (Vertex{-5, 6, -2147483648}));
    EXPECT_EQ(s.model.vertexCount, 9);
    editor.key(ctrlZKey);
    EXPECT_EQ(s.model.vertices[0], (Vertex{-100, -100, 100}));
    EXPECT_EQ(s.model.vertexCount, 9);
    editor.key(ctrlZKey);
    EXPECT_EQ(s.model.vertexCount, 8);
}

TEST(TypedPosition, refusesAnythingButThreeWholeNumbersInRange) {
    Scenario editor;
    EditorState& s = editor.state();
    editor.key("v");
    for (const char* text : {"1 2", "1 2 3 4", "1.5 2 3", "1 2 x", "1 2 2147483648", "1 2 -2147483649", "1e3 2 3",
                             "0x10 2 3", "1 2 3x"}) {
        typed(editor, std::string("=") + text + "\r");
        EXPECT_EQ(s.model.vertexCount, 8) << text;
        EXPECT_EQ(textLine(5), "x y z must be three whole numbers from -2147483648 to 2147483647") << text;
    }
    typed(editor, "=\r");
    EXPECT_EQ(textLine(5), "cancelled");
    editor.key("h");  // the next key takes the message away
    EXPECT_EQ(textLine(5), "= to type where a vertex goes");
}

}  // namespace
}  // namespace vx::test
