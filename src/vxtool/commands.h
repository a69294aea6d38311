// The commands of vxtool over plain option records; main.cpp fills them from the command line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vx::tool {

// A sanitizer build reserves terabytes of address space for its shadow memory: it runs without
// the caps on memory that keep hostile files from filling the machine's.
#ifdef VX_SANITIZED
inline constexpr bool memoryCapsApply = false;
#else
inline constexpr bool memoryCapsApply = true;
#endif

// Exit statuses.
inline constexpr int success = 0;
inline constexpr int failure = 1;  // also: check found problems
inline constexpr int usageError = 2;

// The formats convert writes, as its help and messages name them: kept as written for the order
// they have always had, and held to the format table's writers by a test.
inline constexpr const char* writtenFormats = "vx, obj, stl, ply or glb";
inline constexpr const char* writtenExtensions = ".vx, .obj, .stl, .ply or .glb";

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
};

struct RenderOptions {
    std::string input, output;
    std::string style = "shaded";                 // outline, flat or shaded
    std::optional<std::array<double, 3>> angles;  // degrees as the value row shows them
    std::optional<int> distance;
    std::optional<double> zoom;
    std::optional<std::array<int, 2>> pan;
    std::optional<int> drawdepth;
    std::optional<std::vector<std::string>> show;  // markers, lines, polygons
    std::string size = "800x600";                  // WxH, or N for NxN
    std::string background;
    bool frame = false;  // distance, zoom, pan and draw depth chosen to fill the picture with the model
    std::string view;        // front, back, right, left, top or bottom: that view's angles
    bool ortho = false;      // orthographic projection
    bool references = false;  // the views' pictures from the model's NAME.vxref
    std::size_t maxInputMiB = 0;  // 0: any size; else a larger input is refused before it is read
};

struct ConvertOptions {
    std::vector<std::string> files;  // IN OUT, or every input when `to` is set
    std::string to, outputDir;
    std::optional<double> scale, fit;
    bool simplify = false;      // reduce the model until it fits the tables
    std::size_t simplifyTo = 0;  // with simplify: at most this many polygons; 0: the tables' limit
    bool ascii = false;
    std::string palette;  // a .gpl, .hex or picture whose palette the outputs take; empty: as read
};

struct CheckOptions {
    std::vector<std::string> files;
    bool json = false;
};

int runInfo(const InfoOptions& options);
int runRender(const RenderOptions& options);
int runConvert(const ConvertOptions& options);
int runCheck(const CheckOptions& options);

}  // namespace vx::tool
