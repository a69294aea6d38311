// vxtool check: each kind of problem is found, with the element it names, and a clean closed
// model has none.
#include <gtest/gtest.h>

#include <algorithm>

#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

// The cube of edge 200, its faces wound so that the editor shows each from outside.
void buildCube(Model& m) {
    const Vertex cube[8] = {{-100, -100, 100},  {100, -100, 100},  {100, 100, 100},  {-100, 100, 100},
                            {-100, -100, -100}, {100, -100, -100}, {100, 100, -100}, {-100, 100, -100}};
    for (int i = 0; i < 8; ++i) m.vertices[static_cast<std::size_t>(i)] = cube[i];
    m.vertexCount = 8;
    const std::array<uint16_t, 4> faces[6] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                                              {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    for (int i = 0; i < 6; ++i) m.polygons[static_cast<std::size_t>(i)] = {faces[i], 0};
    m.polygonCount = 6;
    m.lineCount = 0;
}

std::vector<std::string> messagesOf(const Model& m) {
    std::vector<std::string> out;
    for (const Finding& f : checkModel(m)) out.push_back(f.kind + " | " + f.message);
    return out;
}

bool has(const std::vector<std::string>& messages, const std::string& text) {
    return std::find(messages.begin(), messages.end(), text) != messages.end();
}

TEST(Check, aClosedCubeWoundOutwardHasNothingToSay) {
    auto state = tool::makeToolState();
    buildCube(state->model);
    EXPECT_EQ(messagesOf(state->model), std::vector<std::string>{});
}

TEST(Check, findsEachKindOfProblemAndNamesTheElement) {
    auto state = tool::makeToolState();
    Model& m = state->model;
    buildCube(m);
    m.polygons[1].slots = {4, 6, 7, 5};  // turned against its neighbours, and crossing itself
    m.vertices[8] = {-100, -100, 100};   // same place as vertex 0
    m.vertices[9] = {0, 0, 0};
    m.vertices[10] = {10, 0, 0};
    m.vertexCount = 11;
    m.polygons[6] = {{0, 1, 40000, 3}, 0};
    m.polygons[7] = {{0, 1, 0, 3}, 0};   // a repeated corner that is not a triangle's fourth
    m.polygons[8] = {{9, 10, 8, 8}, 0};  // a triangle is no repeat ...
    m.polygons[9] = {{0, 9, 6, 6}, 0};   // ... but collinear corners have no area
    m.polygons[10] = {{0, 1, 2, 7}, 0};  // bent across the 0-2 diagonal
    m.polygonCount = 11;
    m.lines[0] = {3, 3};
    m.lines[1] = {1, 2};
    m.lines[2] = {2, 1};
    m.lines[3] = {2, 7000};
    m.lineCount = 4;
    const auto found = messagesOf(m);
    for (const char* expected : {
             "same-position | vertex 8: same position as vertex 0",
             "missing-vertex | polygon 6: slot 2 names vertex 40000, past the 11 vertices",
             "repeated-corner | polygon 7: slots 0 and 2 both name vertex 0",
             "zero-area | polygon 9: zero area",
             "self-crossing | polygon 1: the quad crosses itself",
             "not-flat | polygon 10: the quad is bent by 55 degrees across its 0-2 diagonal",
             "self-line | line 0: joins vertex 3 to itself",
             "repeated-line | line 2: repeats line 1",
             "missing-vertex | line 3: end b names vertex 7000, past the 11 vertices",
         })
        EXPECT_TRUE(has(found, expected)) << expected;
    EXPECT_FALSE(std::any_of(found.begin(), found.end(), [](const std::string& s) {
        return s.find("polygon 8") != std::string::npos || s.find("vertex 9:") != std::string::npos;
    }));
    EXPECT_EQ(problemCount(checkModel(m)), found.size() - 1);  // the open edges are information
}

TEST(Check, neighboursWoundAgainstEachOtherAndOpenEdges) {
    auto state = tool::makeToolState();
    Model& m = state->model;
    buildCube(m);
    m.polygons[0].slots = {3, 2, 1, 0};
    m.polygonCount = 5;  // one face missing: four open edges
    const auto found = messagesOf(m);
    EXPECT_TRUE(has(found, "wound-against | polygons 0 and 2: wound against each other along the edge 0-1"));
    EXPECT_TRUE(has(found, "open-edges | 4 edges belong to one polygon only: the model is open"));
    m.polygons[0].flags = twoSidedFlag;  // a two-sided polygon shows either side: no complaint
    EXPECT_FALSE(has(messagesOf(m), "wound-against | polygons 0 and 2: wound against each other along the edge 0-1"));
}

}  // namespace
}  // namespace vx::test
