// vxtool render: the editor's own renderer, drawn into screen arrays of the asked size.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <new>

#include "core/numeric.h"
#include "core/views.h"
#include "io/model/view_references.h"
#include "io/output_file.h"
#include "io/picture/background_image.h"
#include "io/picture/picture_writer.h"
#include "render/frame.h"
#include "vxtool/model_source.h"
#include "vxtool/render_view.h"

namespace vx::tool {
namespace {

constexpr int32_t editorWidth = 800;
constexpr int32_t editorHeight = 600;
constexpr int32_t largestSide = 16384;

bool parseSide(const std::string& text, int32_t& side) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    side = std::atoi(text.c_str());
    return side >= 1 && side <= largestSide;
}

bool setStyle(const std::string& style, EditorState& state) {
    static constexpr const char* styles[] = {"outline", "flat", "shaded"};
    for (uint8_t i = 0; i < 3; ++i)
        if (style == styles[i]) {
            state.shadeStyle = i;
            return true;
        }
    return false;
}

bool setShown(const std::vector<std::string>& shown, EditorState& state, std::string& error) {
    state.showFlags = 0;
    for (const std::string& item : shown) {
        if (item == "markers")
            state.showFlags |= 1;
        else if (item == "lines")
            state.showFlags |= 2;
        else if (item == "polygons")
            state.showFlags |= 4;
        else if (!item.empty() && item != "none") {
            error = "--show takes markers, lines and polygons, not '" + item + "'";
            return false;
        }
    }
    return true;
}

void setCamera(const RenderOptions& options, double frame, Camera& camera) {
    if (options.angles) {
        camera.axy = radiansFromDegrees((*options.angles)[0]);
        camera.axz = radiansFromDegrees((*options.angles)[1]);
        camera.ayz = radiansFromDegrees((*options.angles)[2]);
    }
    if (const std::optional<int> view = viewNamed(options.view)) turnToView(camera, *view);
    camera.orthographic = options.ortho ? 1 : 0;
    if (options.distance) camera.distance = *options.distance;
    if (options.drawdepth) camera.drawdepth = *options.drawdepth;
    if (options.zoom) camera.zoom = static_cast<float>(*options.zoom);
    if (options.pan) {
        camera.panX = (*options.pan)[0];
        camera.panY = (*options.pan)[1];
    }
    if (frame == 1.0) return;
    camera.zoom = static_cast<float>(static_cast<double>(camera.zoom) * frame);
    camera.panX = roundToInt32(camera.panX * frame);
    camera.panY = roundToInt32(camera.panY * frame);
}

}  // namespace

float radiansFromDegrees(double degrees) { return static_cast<float>(degrees * static_cast<double>(pi) / 180.0); }

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) {
        if (!parseSide(text, width)) return false;
        height = width;
        return true;
    }
    return parseSide(text.substr(0, x), width) && parseSide(text.substr(x + 1), height);
}

bool prepareView(const RenderOptions& options, EditorState& state, std::string& error) {
    int32_t width = 0, height = 0;
    if (!parseSize(options.size, width, height)) {
        error = "--size takes WxH or N, each 1.." + std::to_string(largestSide) + ", not '" + options.size + "'";
        return false;
    }
    if (!setStyle(options.style, state)) {
        error = "--style takes outline, flat or shaded, not '" + options.style + "'";
        return false;
    }
    if (options.show && !setShown(*options.show, state, error)) return false;
    const double frame = std::min(static_cast<double>(width) / editorWidth, static_cast<double>(height) / editorHeight);
    setCamera(options, frame, state.camera);
    allocateScreenBuffers(state, width, height, nullptr);
    return true;
}

bool loadBackground(const RenderOptions& options, EditorState& state, std::string& error) {
    if (options.background.empty() || readBackgroundImage(state, options.background)) return true;
    error = options.background + ": not a picture that can be shown";
    return false;
}

void loadViewPictures(const RenderOptions& options, EditorState& state) {
    if (!options.references) return;
    const std::string skipped = loadViewReferences(state, options.input);
    if (!skipped.empty()) complain(referencesPathFor(options.input) + ": " + skipped);
}

namespace {

// A file manager runs the thumbnailer on every file of the type, downloads included: a file past
// the limit is refused before a byte of it is read, and the process's memory is capped, so that
// no input can take more than about 200 MB.
bool withinInputLimit(const std::string& path, std::size_t maxMiB) {
    constexpr rlim_t memoryLimit = 200u << 20;
    if (memoryCapsApply) {
        rlimit memory{};
        ::getrlimit(RLIMIT_DATA, &memory);
        memory.rlim_cur = std::min(memory.rlim_max, memoryLimit);
        ::setrlimit(RLIMIT_DATA, &memory);
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_size) > (uint64_t{maxMiB} << 20)) {
        complain(path + ": larger than " + std::to_string(maxMiB) + " MiB, the limit given by --max-input");
        return false;
    }
    return true;
}

// Under the memory cap a large file ends in bad_alloc, which is a refusal like any other.
bool readCapped(const RenderOptions& options, EditorState& state, std::string& error) {
    try {
        return readModel(options.input, {}, state, error);
    } catch (const std::bad_alloc&) {
        error = options.input + ": needs more memory than the limit allows";
        return false;
    }
}

}  // namespace

int runRender(const RenderOptions& options) {
    if (options.maxInputMiB && !withinInputLimit(options.input, options.maxInputMiB)) return failure;
    const bool bmp = hasExtension(options.output, "bmp");
    if (!bmp && !hasExtension(options.output, "png")) {
        complain(options.output + ": the picture is written as .png or .bmp");
        return usageError;
    }
    auto state = makeToolState();
    std::string error;
    if (!prepareView(options, *state, error)) {
        complain(error);
        return usageError;
    }
    if (!loadBackground(options, *state, error) || !readCapped(options, *state, error)) {
        complain(error);
        return failure;
    }
    loadViewPictures(options, *state);
    if (options.frame)
        frameModel(*state);
    else if (options.distance && !options.drawdepth)
        reachPastModel(*state);
    composeFrame(*state);
    if (!options.frame && (options.distance || options.zoom) && state->model.vertexCount > 0 && !anythingInView(*state))
        complain("nothing in view");
    const ScreenBuffers& screen = state->screen;
    const std::string bytes = bmp ? encodeBmp(screen.colorBuffer.data(), screen.screenWidth, screen.screenHeight)
                                  : encodePng(screen.colorBuffer.data(), screen.screenWidth, screen.screenHeight);
    if (bytes.empty() || !writeWholeFile(options.output, bytes)) {
        complain(options.output + ": cannot be written");
        return failure;
    }
    return success;
}

}  // namespace vx::tool
