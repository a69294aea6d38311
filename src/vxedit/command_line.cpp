// The editor's command line: options, the sorting of file arguments into model and picture,
// and the one-line reports of start-up failures.
#include "vxedit/command_line.h"

#include <cstdio>

#include "core/history.h"
#include "io/model_file.h"
#include "platform/display.h"

#ifndef VX_VERSION
#define VX_VERSION "unknown"
#endif

namespace vx {
namespace {

constexpr int usageStatus = 2;
constexpr int unusableFileStatus = 1;

// The manual page is made from this text, by running the program with --help.
const char* const help =
    R"(Usage: vxedit [--scale N] [MODEL.vx] [PICTURE]
       vxedit --help | --version

vxedit edits 3-D polygon models in one 800x600 window. A file that starts with
the model signature VTXF is opened as the model; "s" in File mode saves back to it.
Any other file is a picture (PNG, JPEG or BMP) shown behind the model for tracing.
Give at most one of each, in either order; a single argument is taken whole.

Keys (case-sensitive; the help lines in the window say more):
  r v f c e    Rotate, Vertices, File, Camera, Polys mode (or click a tab)
  q            quit          x  cancel the selections
  1 2 3 4      show markers, lines, polygons; polygon style
  + -          zoom          o i O I  camera distance     m n M N  draw depth
  arrow keys   move the view by one pixel
  Rotate       drag to turn; a s d quarter turns; z reset; wheel zooms
  Camera       left drag pans, right drag zooms; z reset; wheel zooms
  Vertices     left click places, moves or joins; right click selects;
               wheel moves the 3-D pointer; d deletes
  Polys        left click makes a quad; right click selects; p flip;
               t one- or two-sided; d delete
  File         s save; a save as; l load; L reload

Recovery copies:
  Unsaved work is copied to $XDG_STATE_HOME/vxedit/recovery/
  (~/.local/state/vxedit/recovery/ when XDG_STATE_HOME is not set).

Options:
  -h, --help     print this help and exit
  -V, --version  print the version and exit
  --scale N      each picture pixel an N x N block (1-4); by default the largest
                 within 4/5 of the desktop; Alt+Enter: full screen, largest that fits

Exit status:
  0 after q; 1 when a named file cannot be used or no window opens;
  2 for a usage error.
)";

bool isReadableFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

StartRequest usageError(std::string problem) {
    StartRequest request;
    request.action = StartRequest::Action::usageError;
    request.problem = std::move(problem);
    return request;
}

// Two words that are neither a model nor one name together: a word that names no readable file is
// reported as the picture it would have been, since that is what it would fail as.
StartRequest twoPictures(const std::vector<std::string>& files) {
    StartRequest request;
    for (const std::string& file : files) {
        if (!isReadableFile(file)) {
            request.picturePath = file;
            return request;
        }
    }
    return usageError("'" + files[0] + "' and '" + files[1] + "' are both pictures; give at most one");
}

StartRequest sortFiles(const std::vector<std::string>& files) {
    StartRequest request;
    if (files.empty()) return request;
    const std::string whole = joined(files);
    if (files.size() == 1 || (files.size() > 2 && isReadableFile(whole))) {
        (startsWithModelSignature(whole) ? request.modelPath : request.picturePath) = whole;
        return request;
    }
    if (files.size() > 2) return usageError("too many files; give at most one model and one picture");
    const bool firstIsModel = startsWithModelSignature(files[0]);
    const bool secondIsModel = startsWithModelSignature(files[1]);
    if (firstIsModel && secondIsModel)
        return usageError("'" + files[0] + "' and '" + files[1] + "' are both models; give at most one");
    if (firstIsModel || secondIsModel) {
        request.modelPath = firstIsModel ? files[0] : files[1];
        request.picturePath = firstIsModel ? files[1] : files[0];
        return request;
    }
    if (isReadableFile(whole)) {
        request.picturePath = whole;
        return request;
    }
    return twoPictures(files);
}

[[noreturn]] void fail(int status, const std::string& line) {
    std::fprintf(stderr, "vxedit: %s\n", line.c_str());
    endProgram(status);
}

// "--scale N" or "--scale=N" at `at`, which it moves past its value; 0 for a value not 1-4.
int32_t scaleOption(const std::vector<std::string>& arguments, std::size_t& at) {
    const std::string& argument = arguments[at];
    std::string value;
    if (argument.rfind("--scale=", 0) == 0) value = argument.substr(8);
    else if (at + 1 < arguments.size()) value = arguments[++at];
    return value.size() == 1 && value[0] >= '1' && value[0] <= '4' ? value[0] - '0' : 0;
}

bool isScaleOption(const std::string& argument) { return argument == "--scale" || argument.rfind("--scale=", 0) == 0; }

}  // namespace

StartRequest parseCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    bool optionsEnded = false;
    int32_t windowScale = 0;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument.empty()) {
            continue;  // names no file, as no argument at all
        } else if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return StartRequest{StartRequest::Action::help, "", "", ""};
        } else if (argument == "-V" || argument == "--version") {
            return StartRequest{StartRequest::Action::version, "", "", ""};
        } else if (isScaleOption(argument)) {
            windowScale = scaleOption(arguments, at);
            if (windowScale == 0) return usageError("--scale takes 1, 2, 3 or 4");
        } else {
            return usageError("unknown option '" + argument + "' (vxedit --help lists the options)");
        }
    }
    StartRequest request = sortFiles(files);
    request.windowScale = windowScale;
    return request;
}

void openCommandLineFiles(EditorState& state, int argc, const char* const* argv, PreparedPicture& picture) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const StartRequest request = parseCommandLine(arguments);
    switch (request.action) {
        case StartRequest::Action::help:
            std::fputs(help, stdout);
            endProgram(0);
        case StartRequest::Action::version:
            std::fputs("vxedit " VX_VERSION "\n", stdout);
            endProgram(0);
        case StartRequest::Action::usageError:
            fail(usageStatus, request.problem);
        case StartRequest::Action::run:
            break;
    }
    setWindowScale(request.windowScale);
    if (!request.picturePath.empty()) {
        const PictureVerdict verdict = preparePicture(request.picturePath, picture);
        if (!verdict.ok()) fail(unusableFileStatus, request.picturePath + ": " + describePictureProblem(verdict));
    }
    if (!request.modelPath.empty()) {
        if (loadModel(state, request.modelPath) != LoadVerdict::loaded)
            fail(unusableFileStatus, request.modelPath + ": invalid file");
        state.currentFileName = request.modelPath;
        resetHistory(state.history, state.model);  // the opened model is the saved state
    }
}

}  // namespace vx
