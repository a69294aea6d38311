// Pictures that show the model: --frame fills the picture from any angles, a given distance is
// never cut off by the draw depth, and a view that shows nothing says so.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "support/bmp.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::test {
namespace {

// The lit box around what a picture shows.
struct Covered {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return std::max(0, right - left + 1); }
    int height() const { return bottom - top + 1; }
};

Covered coveredOf(const Picture& p) {
    Covered c;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) != 0) {
                c.left = std::min(c.left, x), c.right = std::max(c.right, x);
                c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
            }
    return c;
}

class Framing : public InTempFolder {
protected:
    // A flat slab far off the origin, closed, so that angles and the offset both matter.
    void saveSlab() {
        auto state = tool::makeToolState();
        Model& m = state->model;
        for (int i = 0; i < 8; ++i)
            m.vertices[static_cast<std::size_t>(i)] = {(i & 1 ? 900 : 500), (i & 2 ? 60 : -60), (i & 4 ? 2300 : 2000)};
        m.vertexCount = 8;
        const std::array<uint16_t, 4> faces[6] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
        for (int i = 0; i < 6; ++i) m.polygons[static_cast<std::size_t>(i)] = {faces[i], twoSidedFlag};
        m.polygonCount = 6;
        ASSERT_TRUE(saveModel(*state, "slab.vx"));
    }
    Picture render(tool::RenderOptions options, int expectedStatus = 0) {
        options.input = options.input.empty() ? "slab.vx" : options.input;
        options.output = "out.bmp";
        testing::internal::CaptureStderr();
        EXPECT_EQ(tool::runRender(options), expectedStatus);
        said = testing::internal::GetCapturedStderr();
        return readBmp("out.bmp").value_or(Picture{});
    }
    std::string said;
};

// The model reaches to within a few pixels of the margin on one axis, stays inside it on the
// other, and sits in the middle, whatever the angles and the picture's shape.
TEST_F(Framing, frameFillsThePictureWithAMarginFromAnyAngles) {
    saveSlab();
    for (const char* size : {"800x600", "256", "300x120"})
        for (const std::array<double, 3> angles :
             {std::array<double, 3>{0, 0, 0}, {0, 30, -30}, {45, 200, 80}, {10, 90, 0}}) {
            tool::RenderOptions options;
            options.size = size;
            options.angles = angles;
            options.frame = true;
            const Picture p = render(options);
            const Covered c = coveredOf(p);
            const std::string where = std::string(size) + " at " + std::to_string(angles[1]);
            const int marginX = p.width / 16, marginY = p.height / 16;
            EXPECT_GE(c.left, marginX - 2) << where;
            EXPECT_LE(c.right, p.width - marginX + 1) << where;
            EXPECT_GE(c.top, marginY - 2) << where;
            EXPECT_LE(c.bottom, p.height - marginY + 1) << where;
            EXPECT_TRUE(c.width() >= p.width - 2 * marginX - 4 || c.height() >= p.height - 2 * marginY - 4) << where;
            EXPECT_LE(std::abs(c.left + c.right - (p.width - 1)), 3) << where;
            EXPECT_LE(std::abs(c.top + c.bottom - (p.height - 1)), 3) << where;
        }
}

// Stepping back keeps the whole model, however far: the draw depth follows the distance.
// A view that leaves the model outside the picture still writes it, and says so.
TEST_F(Framing, aGivenDistanceIsNeverCutByTheDrawDepthAndAnEmptyViewIsReported) {
    auto state = tool::makeToolState();
    state->model.polygons[0] = {{4, 5, 6, 7}, twoSidedFlag};  // the near face
    state->model.polygonCount = 1;
    ASSERT_TRUE(saveModel(*state, "cube.vx"));
    tool::RenderOptions options;
    options.input = "cube.vx";
    for (const int distance : {400, 1600, 100000}) {
        options.distance = distance;
        EXPECT_GT(coveredOf(render(options)).width(), 0) << distance;
        EXPECT_EQ(said, "") << distance;
    }
    options.distance.reset();
    options.pan = std::array<int, 2>{3000, 0};
    EXPECT_EQ(coveredOf(render(options)).width(), 0);
    EXPECT_EQ(said, "");  // no --distance or --zoom: the view was asked for as it is
    options.zoom = 300;
    EXPECT_EQ(coveredOf(render(options)).width(), 0);
    EXPECT_EQ(said, "vxtool: nothing in view\n");
    options.pan.reset();
    options.zoom = 1500;  // the near face covers the whole picture, its corners outside it
    EXPECT_GT(coveredOf(render(options)).width(), 790);
    EXPECT_EQ(said, "");
}

}  // namespace
}  // namespace vx::test
