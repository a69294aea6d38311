// The vertex group as a user meets it in Vertices mode: picking it, its operations, their undo,
// the full tables, snapping and the quick pointer depth.
#include "ui/vertex_group.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "render/pixel_writers.h"
#include "support/scenario.h"
#include "support/screen_text.h"
#include "ui/paint.h"

namespace vx::test {
namespace {

using Slots = std::array<uint16_t, 4>;
constexpr int32_t ctrlZ = 26, ctrlY = 25, escape = 27;

// The default camera looks along +z from z = -400 with zoom 200: the model point (x, y, 0)
// shows at (400 + x / 2, 300 + y / 2).
struct Group : testing::Test {
    Group() {
        editor.moveTo(400, 300);
        editor.key("v");
    }
    Model& model() { return editor.state().model; }
    VertexGroup& group() { return editor.state().group; }
    void setModel(std::initializer_list<Vertex> vertices, std::initializer_list<Line> lines,
                  std::initializer_list<Polygon> polygons) {
        Model& m = model();
        m.vertexCount = m.lineCount = m.polygonCount = 0;
        for (const Vertex& v : vertices) m.vertices[static_cast<std::size_t>(m.vertexCount++)] = v;
        for (const Line& l : lines) m.lines[static_cast<std::size_t>(m.lineCount++)] = l;
        for (const Polygon& p : polygons) m.polygons[static_cast<std::size_t>(m.polygonCount++)] = p;
        resetHistory(editor.state().history, m, editor.state().currentFileName);
        clearGroup(group());
        editor.key("1"), editor.key("1");  // a frame of the new model
    }
    void groupOf(std::initializer_list<int32_t> vertices) {
        clearGroup(group());
        for (int32_t v : vertices) setGroupMember(group(), v, true);
    }
    Vertex vertex(int32_t i) { return model().vertices[static_cast<std::size_t>(i)]; }
    std::vector<int32_t> members() {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < maxVertices; ++i)
            if (inGroup(group(), i)) out.push_back(i);
        return out;
    }
    Scenario editor;
};

TEST_F(Group, aGroupsEveryVertexAndEmptiesAFullGroupAndXEmptiesItWithTheSelections) {
    editor.key("a");
    EXPECT_EQ(group().count, 8);
    editor.key("a");
    EXPECT_EQ(group().count, 0);
    editor.key("a");
    editor.state().selection = {{1, 2, 0, 0}, 2, -1};
    editor.key("x");
    EXPECT_EQ(group().count, 0);
    EXPECT_EQ(editor.state().selection.vertexCount, 0);
    EXPECT_EQ(editor.state().selection.polygon, 0);
}

TEST_F(Group, membersShowTheirOwnColourAndKeepTheSelectionMarks) {
    groupOf({0, 1});
    editor.state().selection = {{1, 0, 0, 0}, 1, 0};
    editor.key("1"), editor.key("1");
    // Vertex 0 (-100, -100, 100) shows at (360, 260), vertex 1 at (440, 260), vertex 2 at (440, 340).
    EXPECT_EQ(editor.windowPixel(360, 260), groupColour);
    EXPECT_EQ(editor.windowPixel(361, 261), groupColour);
    EXPECT_EQ(editor.windowPixel(359, 260), 0u);
    EXPECT_EQ(editor.windowPixel(440, 260), groupColour);
    EXPECT_EQ(editor.windowPixel(441, 260), redColour);
    EXPECT_EQ(editor.windowPixel(439, 259), groupColour);
    EXPECT_EQ(editor.windowPixel(440, 340), whiteColour);
    EXPECT_EQ(editor.windowPixel(441, 341), 0u);
    EXPECT_EQ(textLine(5), "group  2: g grab, s scale, w turn, k duplicate, j mirror, u extrude, y weld, d delete");
}

TEST_F(Group, modeChangesKeepTheGroupAndAVertexThatAnUndoTakesAwayLeavesIt) {
    editor.click(420, 300);
    groupOf({7, 8});
    editor.key("r"), editor.key("v");
    EXPECT_EQ(members(), (std::vector<int32_t>{7, 8}));
    editor.keyCode(ctrlZ);
    EXPECT_EQ(model().vertexCount, 8);
    EXPECT_EQ(members(), (std::vector<int32_t>{7}));
    editor.click(420, 300);  // the next vertex 8 does not come back into the group
    EXPECT_EQ(members(), (std::vector<int32_t>{7}));
}

TEST_F(Group, grabMovesByWholeUnitsInTheViewPlaneAndCancelPutsItBack) {
    editor.key("a");
    const Model before = model();
    for (const bool keep : {false, true}) {
        editor.moveTo(400, 300);
        editor.key("g");
        editor.moveTo(420, 290);
        editor.moveTo(450, 280);  // 50 pixels right, 20 up: 100 and -40 units at the centre's depth
        EXPECT_EQ(textLine(4), "moved by  100 -40  0");
        if (keep) {
            editor.click(450, 280);
        } else {
            editor.keyCode(escape);
        }
        for (int32_t i = 0; i < 8; ++i) {
            const Vertex& was = before.vertices[static_cast<std::size_t>(i)];
            const Vertex expected = keep ? Vertex{was.x + 100, was.y - 40, was.z} : was;
            EXPECT_EQ(vertex(i), expected) << i;
        }
    }
    // A right click cancels as Esc does.
    editor.key("g");
    editor.moveTo(300, 300);
    editor.click(300, 300, rightButton);
    EXPECT_EQ(vertex(0), (Vertex{0, -140, 100}));
}

TEST_F(Group, scaleFollowsThePointersDistanceFromTheCentre) {
    editor.key("a");
    editor.moveTo(500, 300);
    editor.key("s");
    editor.moveTo(600, 300);
    EXPECT_EQ(textLine(4), "scaled to  200 %");
    editor.click(600, 300);
    EXPECT_EQ(vertex(0), (Vertex{-200, -200, 200}));
    EXPECT_EQ(vertex(6), (Vertex{200, 200, -200}));
}

TEST_F(Group, turnFollowsTheAngleThePointerSweepsInTheScreenPlane) {
    editor.key("a");
    editor.moveTo(500, 300);
    editor.key("w");
    editor.moveTo(400, 200);  // from right of the centre to above it: a quarter turn anticlockwise
    EXPECT_EQ(textLine(4), "turned -90 degrees");
    editor.click(400, 200);
    EXPECT_EQ(vertex(1), (Vertex{-100, -100, 100}));  // right-top-near goes to left-top-near
    EXPECT_EQ(vertex(2), (Vertex{100, -100, 100}));
    EXPECT_EQ(vertex(4), (Vertex{-100, 100, -100}));
}

TEST_F(Group, whileAnOperationRunsTheHelpSaysSoAndOtherKeysWait) {
    editor.key("a");
    editor.key("g");
    EXPECT_EQ(textLine(3), "grab: move the mouse, left-click to keep, Esc or right-click to cancel");
    editor.key("x");  // would empty the group
    editor.key("r");  // would leave Vertices mode
    EXPECT_EQ(group().count, 8);
    EXPECT_EQ(editor.state().mode, EditorMode::vertices);
    editor.keyCode('\r');
    EXPECT_TRUE(textLine(3).starts_with("left-click to place vertex at"));

    // A click on a tab keeps a grab; a later grab cancelled goes back to that, not before it.
    editor.key("g");
    editor.moveTo(420, 300);
    editor.click(320, 568);  // " Polys "
    editor.click(240, 568);  // " Verteces "
    editor.key("g");
    editor.keyCode(escape);
    EXPECT_EQ(vertex(0).x, -60);
}

// Two quads sharing the edge 1-2, a line along it and a lone line; vertices 0-3 lie on x = 0.
struct Copies : Group {
    Copies() {
        setModel({{0, 0, 0}, {0, 100, 0}, {0, 100, 100}, {0, 0, 100}, {100, 0, 0}, {100, 100, 0}, {50, 0, 0}},
                 {{1, 2}, {4, 6}, {0, 6}},
                 {{{0, 1, 2, 3}, 0}, {{1, 5, 2, 2}, twoSidedFlag | 0x0100}, {{0, 4, 6, 6}, 0}});
    }
};

TEST_F(Copies, duplicateCopiesWhatLiesWhollyInTheGroupWithItsFlagsAndGrabsTheCopy) {
    groupOf({1, 2, 5});
    editor.key("k");
    EXPECT_TRUE(textLine(3).starts_with("duplicate:"));
    editor.moveTo(410, 300);
    editor.click(410, 300);
    ASSERT_EQ(model().vertexCount, 10);
    // 10 pixels at the copy's centre depth 33 (433 from the eye) are 21.65 units.
    EXPECT_EQ(vertex(7), (Vertex{22, 100, 0}));
    EXPECT_EQ(vertex(8), (Vertex{22, 100, 100}));
    EXPECT_EQ(vertex(9), (Vertex{122, 100, 0}));
    ASSERT_EQ(model().lineCount, 4);
    EXPECT_EQ(model().lines[3].a, 7);
    EXPECT_EQ(model().lines[3].b, 8);
    ASSERT_EQ(model().polygonCount, 4);
    EXPECT_EQ(model().polygons[3].slots, (Slots{7, 9, 8, 8}));
    EXPECT_EQ(model().polygons[3].flags, twoSidedFlag | 0x0100);
    EXPECT_EQ(members(), (std::vector<int32_t>{7, 8, 9}));
    EXPECT_EQ(vertex(1), (Vertex{0, 100, 0}));  // the original stays
}

TEST_F(Copies, mirrorSharesVerticesOnThePlaneAndReversesCornerOrder) {
    groupOf({0, 1, 2, 3, 4, 5, 6});
    editor.key("j");
    ASSERT_EQ(model().vertexCount, 10);  // only x != 0 is copied
    EXPECT_EQ(vertex(7), (Vertex{-100, 0, 0}));
    EXPECT_EQ(vertex(8), (Vertex{-100, 100, 0}));
    EXPECT_EQ(vertex(9), (Vertex{-50, 0, 0}));
    // The quad on the plane and the line on it would be their own images: not copied.
    ASSERT_EQ(model().polygonCount, 5);
    EXPECT_EQ(model().polygons[3].slots, (Slots{1, 2, 8, 8}));  // (1, 5, 2, 2) mirrored and reversed
    EXPECT_EQ(model().polygons[3].flags, twoSidedFlag | 0x0100);
    EXPECT_EQ(model().polygons[4].slots, (Slots{0, 9, 7, 7}));
    ASSERT_EQ(model().lineCount, 5);
    EXPECT_EQ(model().lines[3].a, 7);
    EXPECT_EQ(model().lines[4].a, 0);
    EXPECT_EQ(model().lines[4].b, 9);
    EXPECT_EQ(members(), (std::vector<int32_t>{0, 1, 2, 3, 7, 8, 9}));
    EXPECT_FALSE(editor.state().groupOperation.action != GroupAction::none);  // no grab
}

// The front of polygon p: the side it is drawn from when one-sided.
std::array<double, 3> frontOf(const Model& m, const Polygon& p) {
    const Vertex& o = m.vertices[p.slots[0]];
    const Vertex& a = m.vertices[p.slots[1]];
    const Vertex& b = m.vertices[p.slots[3]];
    const double e1[3] = {double(a.x - o.x), double(a.y - o.y), double(a.z - o.z)};
    const double e2[3] = {double(b.x - o.x), double(b.y - o.y), double(b.z - o.z)};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
}

// Every edge is shared by exactly two faces, and each face's front points away from the centre.
void expectClosedAndOutward(const Model& m) {
    std::map<std::pair<int, int>, int> edges;
    std::array<double, 3> centre{};
    for (int32_t i = 0; i < m.vertexCount; ++i) {
        centre[0] += m.vertices[static_cast<std::size_t>(i)].x / double(m.vertexCount);
        centre[1] += m.vertices[static_cast<std::size_t>(i)].y / double(m.vertexCount);
        centre[2] += m.vertices[static_cast<std::size_t>(i)].z / double(m.vertexCount);
    }
    for (int32_t k = 0; k < m.polygonCount; ++k) {
        const Polygon& p = m.polygons[static_cast<std::size_t>(k)];
        for (std::size_t s = 0; s < 4; ++s) {
            const int a = p.slots[s], b = p.slots[(s + 1) % 4];
            if (a != b) ++edges[{std::min(a, b), std::max(a, b)}];
        }
        const auto f = frontOf(m, p);
        double out = 0;
        for (std::size_t s = 0; s < 4; ++s) {
            const Vertex& v = m.vertices[p.slots[s]];
            out += f[0] * (v.x - centre[0]) + f[1] * (v.y - centre[1]) + f[2] * (v.z - centre[2]);
        }
        EXPECT_GT(out, 0) << "polygon " << k << " faces inward";
    }
    for (const auto& [edge, uses] : edges) EXPECT_EQ(uses, 2) << edge.first << "-" << edge.second;
}

TEST_F(Group, extrudingALoneQuadEitherWayMakesAClosedBoxFacingOut) {
    // A floor quad at y = 100, extruded up the screen (towards -y) and then down past itself.
    for (const int32_t toY : {200, 400}) {
        setModel({{-100, 100, 0}, {100, 100, 0}, {100, 100, 100}, {-100, 100, 100}}, {}, {{{0, 1, 2, 3}, 0}});
        editor.key("a");
        editor.moveTo(400, 300);
        editor.key("u");
        EXPECT_TRUE(textLine(3).starts_with("extrude:"));
        editor.moveTo(400, toY);
        editor.click(400, toY);
        ASSERT_EQ(model().vertexCount, 8);
        ASSERT_EQ(model().polygonCount, 6);
        EXPECT_EQ(vertex(4).y, toY == 200 ? -125 : 325);  // 100 pixels at depth 450 are 225 units
        EXPECT_EQ(members(), (std::vector<int32_t>{4, 5, 6, 7}));
        expectClosedAndOutward(model());
    }
}

TEST_F(Group, extrudingAFaceOfASolidPushesItOutWithSidesAndNoCap) {
    setModel({{-100, -100, -100},
              {100, -100, -100},
              {100, 100, -100},
              {-100, 100, -100},
              {-100, -100, 100},
              {100, -100, 100},
              {100, 100, 100},
              {-100, 100, 100}},
             {},
             {{{0, 3, 2, 1}, 0},
              {{4, 5, 6, 7}, 0},
              {{0, 1, 5, 4}, 0},
              {{3, 7, 6, 2}, 0},
              {{0, 4, 7, 3}, 0},
              {{1, 2, 6, 5}, 0}});
    expectClosedAndOutward(model());
    groupOf({1, 2, 6, 5});  // the right face, x = 100
    editor.moveTo(400, 300);
    editor.key("u");
    editor.moveTo(450, 300);
    editor.click(450, 300);
    EXPECT_EQ(model().polygonCount, 10);  // four sides, no cap
    EXPECT_EQ(vertex(8).x, 200);
    expectClosedAndOutward(model());
}

TEST_F(Group, extrudingALineMakesAQuadAndAVertexALine) {
    setModel({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}}, {{0, 1}}, {});
    editor.key("a");
    editor.key("u");
    editor.moveTo(400, 350);
    editor.click(400, 350);
    ASSERT_EQ(model().vertexCount, 6);
    EXPECT_EQ(vertex(3), (Vertex{0, 100, 0}));
    EXPECT_EQ(vertex(5), (Vertex{0, 200, 0}));
    ASSERT_EQ(model().polygonCount, 1);
    EXPECT_EQ(model().polygons[0].slots, (Slots{0, 1, 4, 3}));
    EXPECT_EQ(model().polygons[0].flags, twoSidedFlag);
    ASSERT_EQ(model().lineCount, 2);
    EXPECT_EQ(model().lines[0].a, 3);  // the line moved onto the copies, ready for the next u
    EXPECT_EQ(model().lines[0].b, 4);
    EXPECT_EQ(model().lines[1].a, 2);
    EXPECT_EQ(model().lines[1].b, 5);
}

TEST_F(Group, weldMakesOneVertexAndRemovesWhatCollapses) {
    // A quad and a triangle sharing edge 1-2, a line 1-2 and a line 0-3.
    setModel({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {200, 50, 0}}, {{1, 2}, {0, 3}},
             {{{0, 1, 2, 3}, 0}, {{1, 4, 2, 2}, twoSidedFlag}});
    groupOf({1, 2});
    editor.key("y");
    ASSERT_EQ(model().vertexCount, 4);
    EXPECT_EQ(vertex(1), (Vertex{100, 50, 0}));
    EXPECT_EQ(vertex(3), (Vertex{200, 50, 0}));
    ASSERT_EQ(model().polygonCount, 1);  // the triangle is gone; the quad is now a triangle
    EXPECT_EQ(model().polygons[0].slots, (Slots{0, 1, 2, 2}));
    ASSERT_EQ(model().lineCount, 1);
    EXPECT_EQ(model().lines[0].a, 0);
    EXPECT_EQ(model().lines[0].b, 2);
    EXPECT_EQ(members(), (std::vector<int32_t>{1}));
}

TEST_F(Group, dWithAGroupDeletesItsVerticesAndTheirUsersAndRenumbers) {
    setModel({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {200, 50, 0}}, {{3, 4}, {0, 1}},
             {{{0, 1, 2, 3}, 0}, {{2, 4, 3, 3}, 0}});
    editor.state().selection = {{4, 1, 0, 0}, 2, 0};
    groupOf({0, 1});
    editor.key("d");
    ASSERT_EQ(model().vertexCount, 3);
    EXPECT_EQ(vertex(2), (Vertex{200, 50, 0}));
    ASSERT_EQ(model().lineCount, 1);
    EXPECT_EQ(model().lines[0].a, 1);
    EXPECT_EQ(model().lines[0].b, 2);
    ASSERT_EQ(model().polygonCount, 1);
    EXPECT_EQ(model().polygons[0].slots, (Slots{0, 2, 1, 1}));
    EXPECT_EQ(editor.state().selection.vertexCount, 1);  // vertex 1 went; 4 is now 2
    EXPECT_EQ(editor.state().selection.vertices[0], 2);
    EXPECT_EQ(group().count, 0);
}

// Each operation is one undo step, and redo gives back exactly what it made.
TEST_F(Group, eachOperationIsOneUndoStep) {
    const std::map<std::string, std::function<void(Scenario&)>> operations = {
        {"grab", [](Scenario& e) { e.key("g"), e.moveTo(420, 300), e.moveTo(440, 310), e.click(440, 310); }},
        {"scale", [](Scenario& e) { e.moveTo(450, 300), e.key("s"), e.moveTo(470, 300), e.click(480, 300); }},
        {"turn", [](Scenario& e) { e.moveTo(450, 300), e.key("w"), e.moveTo(450, 350), e.click(400, 350); }},
        {"duplicate", [](Scenario& e) { e.key("k"), e.moveTo(430, 300), e.click(430, 300); }},
        {"mirror", [](Scenario& e) { e.key("j"); }},
        {"extrude", [](Scenario& e) { e.key("u"), e.moveTo(400, 250), e.moveTo(400, 240), e.click(400, 240); }},
        {"weld", [](Scenario& e) { e.key("y"); }},
        {"delete", [](Scenario& e) { e.key("d"); }},
    };
    for (const auto& [name, operate] : operations) {
        setModel({{10, 0, 0}, {100, 0, 0}, {100, 100, 0}, {10, 100, 0}, {200, 50, 0}}, {{3, 4}}, {{{0, 1, 2, 3}, 0}});
        groupOf({0, 1, 2, 3});
        const Model before = model();
        editor.moveTo(400, 300);
        operate(editor);
        const Model after = model();
        EXPECT_FALSE(sameModel(before, after)) << name;
        editor.keyCode(ctrlZ);
        EXPECT_TRUE(sameModel(model(), before)) << name;
        editor.keyCode(ctrlY);
        EXPECT_TRUE(sameModel(model(), after)) << name;
    }
}

TEST_F(Group, anOperationThatWouldOverfillATableChangesNothingAndSaysSo) {
    editor.key("a");
    model().vertexCount = maxVertices - 4;  // room for four more vertices, not eight
    resetHistory(editor.state().history, model(), editor.state().currentFileName);
    const Model before = model();
    for (const char* key : {"k", "u", "j"}) {
        editor.key(key);
        EXPECT_TRUE(sameModel(model(), before)) << key;
        EXPECT_EQ(textLine(5), "tables full") << key;
        EXPECT_EQ(editor.state().groupOperation.action, GroupAction::none);
    }
    editor.moveTo(401, 300);  // the message stays until the next key or click
    EXPECT_EQ(textLine(5), "tables full");
    editor.key("1");
    EXPECT_NE(textLine(5), "tables full");
}

TEST_F(Group, anEmptyGroupsKeysDoNothingAndDStillRemovesTheLastVertex) {
    const Model before = model();
    for (const char* key : {"g", "s", "w", "k", "j", "u", "y"}) {
        editor.key(key);
        EXPECT_TRUE(sameModel(model(), before)) << key;
        EXPECT_EQ(editor.state().groupOperation.action, GroupAction::none) << key;
    }
    editor.key("d");
    EXPECT_EQ(model().vertexCount, 7);
}

TEST_F(Group, snapPutsPlacedVerticesAndGroupMovesOnTheTenUnitGrid) {
    editor.key("h");
    EXPECT_EQ(textLine(2), "Vertex edit mode. mouse  400  300 pointer distance  0 snap 10");
    editor.click(407, 303);  // (14, 6, 0) without snapping
    EXPECT_EQ(vertex(8), (Vertex{10, 10, 0}));
    groupOf({8});
    editor.key("g");
    editor.moveTo(410, 303);  // 6 units: rounds to 10
    editor.click(410, 303);
    EXPECT_EQ(vertex(8), (Vertex{20, 10, 0}));
    editor.key("h");
    EXPECT_EQ(textLine(2), "Vertex edit mode. mouse  410  303 pointer distance  0");
}

// The cube's near face shows at x 360 and 440, y 260 and 340; its far face at 333 and 467.
TEST_F(Group, shiftRightClickTogglesAVertexAndLeavesTheSelectionAlone) {
    headless::holdModifiers(shiftModifier);
    editor.click(442, 262, rightButton);  // found by the right click's search
    EXPECT_EQ(members(), (std::vector<int32_t>{1}));
    EXPECT_EQ(editor.state().selection.vertexCount, 0);
    editor.click(440, 260, rightButton);
    EXPECT_EQ(group().count, 0);
    headless::holdModifiers(0);
    editor.click(440, 260, rightButton);
    EXPECT_EQ(editor.state().selection.vertexCount, 1);
    EXPECT_EQ(group().count, 0);
}

TEST_F(Group, shiftDragGroupsTheMarkersInsideItsDottedRectangleAndCtrlTakesThemOut) {
    headless::holdModifiers(shiftModifier);
    editor.moveTo(350, 250);
    editor.press(leftButton);
    editor.moveTo(450, 350);
    EXPECT_EQ(editor.windowPixel(352, 250), groupRectangleColour);  // the outline, dotted
    EXPECT_EQ(editor.windowPixel(350, 250), 0u);
    EXPECT_EQ(editor.windowPixel(450, 300), groupRectangleColour);
    EXPECT_EQ(editor.windowPixel(360, 260), whiteColour);  // inside: the picture as it was
    editor.release(leftButton);
    EXPECT_EQ(members(), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(model().vertexCount, 8);  // the press placed nothing
    EXPECT_NE(editor.windowPixel(352, 250), groupRectangleColour);

    headless::holdModifiers(shiftModifier | ctrlModifier);
    editor.moveTo(480, 220);
    editor.press(leftButton);
    editor.moveTo(420, 380);
    editor.release(leftButton);
    EXPECT_EQ(members(), (std::vector<int32_t>{0, 3}));  // 1, 2 left; 5 and 6 were never in
}

TEST_F(Group, shiftWheelMovesThePointerTenPerNotchAndThePlainWheelOnePerPass) {
    headless::holdModifiers(shiftModifier);
    editor.wheel(3);
    EXPECT_EQ(editor.state().input.pointerDistance, 30);
    editor.wheel(-1);
    EXPECT_EQ(editor.state().input.pointerDistance, 20);
    // The wheel reads -1 outside the window: leaving and coming back step one each, as without Shift.
    headless::leaveWindow();
    editor.run();
    EXPECT_EQ(editor.state().input.pointerDistance, 19);
    editor.moveTo(400, 300);
    EXPECT_EQ(editor.state().input.pointerDistance, 20);
    headless::holdModifiers(0);
    editor.wheel(3);
    EXPECT_EQ(editor.state().input.pointerDistance, 21);
}

// Counts what a user does: every key, click, move and wheel notch.
struct CountedUser {
    Scenario& editor;
    int inputs = 0;
    void key(const char* keys) { editor.key(keys), inputs += static_cast<int>(std::string_view(keys).size()); }
    void click(int32_t x, int32_t y, int32_t button = leftButton) { editor.click(x, y, button), ++inputs; }
    void move(int32_t x, int32_t y) { editor.moveTo(x, y), ++inputs; }
    void shiftWheel(int32_t notches) {
        headless::holdModifiers(shiftModifier);
        editor.wheel(notches);
        headless::holdModifiers(0);
        inputs += notches;
    }
    void join(std::initializer_list<std::pair<int32_t, int32_t>> corners) {
        for (const auto& [x, y] : corners) click(x, y, rightButton);
        click(400, 300);
    }
};

// The README's box: four corners of a floor, one quad, a, u, a move up and a click.
TEST_F(Group, theReadmeBoxIsEighteenInputsAndAClosedBoxFacingOut) {
    CountedUser user{editor};
    user.key("ad");  // the default cube's corners go
    ASSERT_EQ(model().vertexCount, 0);
    user.key("h");
    user.inputs = 0;
    user.click(350, 350), user.click(450, 350);  // the near corners at depth 0
    user.shiftWheel(5);                          // 50 farther
    user.click(356, 344), user.click(444, 344);  // the far corners
    user.join({{350, 350}, {450, 350}, {444, 344}, {356, 344}});
    user.key("au");
    user.move(400, 200);
    user.click(400, 200);
    EXPECT_EQ(user.inputs, 18);
    ASSERT_EQ(model().vertexCount, 8);
    ASSERT_EQ(model().polygonCount, 6);
    EXPECT_EQ(vertex(3), (Vertex{100, 100, 50}));
    EXPECT_EQ(vertex(7), (Vertex{100, -110, 50}));  // 100 pixels at depth 425: 212.5, on the grid 210
    expectClosedAndOutward(model());
}

// Shift + click on a face in view that has no colour yet, away from its edges, as a user aims.
bool paintAFaceInView(CountedUser& user) {
    const EditorState& state = user.editor.state();
    const ScreenBuffers& screen = state.screen;
    const auto codeAt = [&](int32_t x, int32_t y) { return screen.pickBuffer[pixelIndex(screen, x, y)]; };
    for (int32_t y = 100; y < 540; ++y) {
        for (int32_t x = 4; x < 796; ++x) {
            const int16_t code = codeAt(x, y);
            if (code >= 0 || colourOf(state.model.polygons[static_cast<std::size_t>(-code - 1)].flags) != 0) continue;
            if (codeAt(x - 4, y) != code || codeAt(x + 4, y) != code || codeAt(x, y + 4) != code) continue;
            headless::holdModifiers(shiftModifier);
            user.click(x, y);
            headless::holdModifiers(0);
            return true;
        }
    }
    return false;
}

// The README's box in three colours, a pair of opposite faces each (dark red, dark blue, light
// green): Polys mode, a swatch, Shift + click on the face in view, quarter turns in Rotate mode to
// bring the others round.
TEST_F(Group, theReadmeBoxTakes28InputsToColourInThreeColours) {
    CountedUser user{editor};
    user.key("adh");
    user.click(350, 350), user.click(450, 350);
    user.shiftWheel(5);
    user.click(356, 344), user.click(444, 344);
    user.join({{350, 350}, {450, 350}, {444, 344}, {356, 344}});
    user.key("au");
    user.move(400, 200);
    user.click(400, 200);
    ASSERT_EQ(model().polygonCount, 6);
    user.inputs = 0;
    const auto swatch = [&](int32_t colour) { user.click((stripColumn - 1 + swatchCells * colour) * 8 + 8, 72); };
    // Each step: keys (Rotate mode, quarter turns, Polys mode), perhaps a swatch, a face.
    const struct {
        const char* keys;
        int32_t colour;  // 0: the colour stays
    } steps[] = {{"e", 7}, {"rsse", 0}, {"rse", 18}, {"rsse", 0}, {"rde", 12}, {"rdde", 0}};
    for (const auto& step : steps) {
        user.key(step.keys);
        if (step.colour) swatch(step.colour);
        ASSERT_TRUE(paintAFaceInView(user)) << step.keys;
    }
    EXPECT_EQ(user.inputs, 28);
    std::map<int32_t, int> faces;
    for (int32_t i = 0; i < 6; ++i) ++faces[colourOf(model().polygons[static_cast<std::size_t>(i)].flags)];
    EXPECT_EQ(faces, (std::map<int32_t, int>{{7, 2}, {12, 2}, {18, 2}}));
}

// The README's mirrored house front: half of it and a mirror, against the whole built by hand.
TEST_F(Group, theReadmeHouseHalfAndMirrorIsSixteenInputs) {
    CountedUser user{editor};
    user.key("adh");
    user.inputs = 0;
    // Ridge, centre, eave, foot at the middle, foot at the side: (0 -100) (0 0) (100 0) (0 100) (100 100).
    for (const auto& [x, y] : {std::pair{400, 250}, {400, 300}, {450, 300}, {400, 350}, {450, 350}}) user.click(x, y);
    user.join({{400, 250}, {400, 300}, {450, 300}});
    user.join({{400, 300}, {400, 350}, {450, 350}, {450, 300}});
    user.key("aj");
    EXPECT_EQ(user.inputs, 16);
    ASSERT_EQ(model().vertexCount, 7);
    ASSERT_EQ(model().polygonCount, 4);
    EXPECT_EQ(vertex(5), (Vertex{-100, 0, 0}));
    // Each half faces the viewer as the first did: corners anticlockwise on the screen.
    for (int32_t k = 0; k < 4; ++k)
        EXPECT_LT(frontOf(model(), model().polygons[static_cast<std::size_t>(k)])[2], 0) << k;
}

// The same two shapes built corner by corner and face by face, for the README's comparison.
TEST_F(Group, withoutTheGroupTheBoxTakes88InputsAndTheHouse25) {
    CountedUser user{editor};
    user.key("adh");
    user.inputs = 0;
    user.click(350, 350), user.click(450, 350), user.click(450, 245), user.click(350, 245);
    for (int notch = 0; notch < 50; ++notch) editor.wheel(1), ++user.inputs;  // one step per pass
    user.click(356, 344), user.click(444, 344), user.click(444, 251), user.click(356, 251);
    const std::pair<int32_t, int32_t> at[8] = {{350, 350}, {450, 350}, {450, 245}, {350, 245},
                                               {356, 344}, {444, 344}, {444, 251}, {356, 251}};
    for (const Slots& face : {Slots{0, 1, 2, 3}, Slots{5, 4, 7, 6}, Slots{4, 0, 3, 7}, Slots{1, 5, 6, 2},
                              Slots{3, 2, 6, 7}, Slots{4, 5, 1, 0}})
        user.join({at[face[0]], at[face[1]], at[face[2]], at[face[3]]});
    EXPECT_EQ(user.inputs, 88);
    ASSERT_EQ(model().vertexCount, 8);
    ASSERT_EQ(model().polygonCount, 6);
    EXPECT_EQ(vertex(6), (Vertex{100, -110, 50}));
    expectClosedAndOutward(model());

    user.key("adh");  // snapping goes off: at depth 0 every pixel is two whole units anyway
    user.inputs = 0;
    for (const auto& [x, y] :
         {std::pair{400, 250}, {400, 300}, {450, 300}, {400, 350}, {450, 350}, {350, 300}, {350, 350}})
        user.click(x, y);
    user.join({{400, 250}, {400, 300}, {450, 300}});
    user.join({{400, 250}, {350, 300}, {400, 300}});
    user.join({{400, 300}, {400, 350}, {450, 350}, {450, 300}});
    user.join({{400, 300}, {350, 300}, {350, 350}, {400, 350}});
    EXPECT_EQ(user.inputs, 25);
    EXPECT_EQ(model().polygonCount, 4);
}

}  // namespace
}  // namespace vx::test
