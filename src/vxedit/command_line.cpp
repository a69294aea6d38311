// The editor's command line: options, the sorting of file arguments into model and picture,
// and the one-line reports of start-up failures.
#include "vxedit/command_line.h"

#include <cstdio>
#include <ctime>
#include <string_view>

#include "core/history.h"
#include "io/exchange/model_import.h"
#include "io/file_stamp.h"
#include "io/model/model_file.h"
#include "io/model/view_references.h"
#include "platform/console/display.h"
#include "platform/console/files.h"
#include "ui/file_commands.h"
#include "ui/recovery_folder.h"

#ifndef VX_VERSION
#define VX_VERSION "unknown"
#endif

namespace vx {
namespace {

constexpr int usageStatus = 2;
constexpr int unusableFileStatus = 1;
constexpr int startMessageRow = 4;  // below the two help lines of Rotate mode

// The manual page is made from this text, by running the program with --help.
const char* const help =
    R"(Usage: vxedit [--scale N] [MODEL] [PICTURE]
       vxedit --help | --version | --recover

vxedit edits 3-D polygon models in one 800x600 window. A file that starts with
the model signature VTXF is opened as the model; "s" in File mode saves back to
it, and a NAME.vx that does not exist yet starts a new model under that name.
A model of another format (OBJ, STL, PLY, glTF/GLB, OFF) is imported as NAME.vx
beside it, unsaved, at a usable size; the file itself is never written. Any
other file is a picture (PNG, JPEG or BMP) shown behind the model for tracing.
Give at most one of each, in either order; a single argument is taken whole.

Keys in every mode (case-sensitive):
  r v f c e    Rotate, Vertices, File, Camera, Polys mode (or click its tab)
  Ctrl+Z       undo          Ctrl+Y or Ctrl+Shift+Z  redo
  q            quit (and the close button); unsaved work is kept in a copy
  x            cancel the selections (and empty the group in Vertices mode)
  1 2 3 4      show or hide markers, lines, polygons; next polygon style
  + -          zoom          o i O I  camera distance by 1 or 10
  m n M N      draw depth by 1 or 10      arrow keys  move the view a pixel
Rotate mode:
  left drag    turn about the upright and level axes
  right drag   turn in the plane of the screen
  a s d        quarter turns;  z  reset the turns;  wheel  zoom
Camera mode:
  left drag    pan;  right drag  zoom;  z  reset pan and zoom;  wheel  zoom
  a s d        front, side, top;  A S D  back, left, bottom;  p  orthographic
  Shift+drags  move, scale the view's picture;  [ ]  opacity;  k  calibrate
Vertices mode:
  left click   place a vertex at the 3-D pointer; with one selected, move it
               there; with 2, 3 or 4 selected, join them by a line or polygon
  right click  select a vertex (at most 4); on a selected one, take its depth
  wheel        move the 3-D pointer nearer or farther; with Shift by 10 a notch
  d            delete the last vertex, or the selected one, or the group
  h            snap placing and moving to a 10-unit grid, or stop snapping
  b =          pick the vertex hidden behind; type x y z for it or a new one
Vertices mode, the group (any number of vertices):
  Shift+right click  add a vertex to the group or take it out
  Shift+left drag    group the markers in a rectangle; with Ctrl take them out
  a            group every vertex, or none when all are in
  g s w        grab, scale, turn the group: a left click keeps, Esc or a
               right click cancels
  k j u y      duplicate and grab; mirror through x = 0; extrude and grab;
               weld into one vertex
Polys mode:
  left click   make a rectangle of the four vertex markers nearest the pointer
  right click  select or unselect a polygon
  p t d        flip it; make it one- or two-sided; delete it
  [ ]          colour down or up (or click a swatch on row 5);  b  paint it
  = B          take its colour; colour it from the picture behind it
  Shift+left click  paint the polygon under the pointer
File mode:
  s save; a save as; l load; L reload; b view picture; B remove it; P palette.
  Typing a name: Enter ends, Esc clears; Backspace Delete Home End arrows edit.

Recovery copies:
  Unsaved work is copied to $XDG_STATE_HOME/vxedit/recovery/
  (~/.local/state/vxedit/recovery/ when XDG_STATE_HOME is not set).
  A copy newer than the model opened is offered: Enter restores, Esc keeps it.

Options:
  -h, --help     print this help and exit
  -V, --version  print the version and exit
  --recover      list the recovery copies: time, copy, the model it came from
  --scale N      each picture pixel an N x N block (1-4); by default the largest
                 within 4/5 of the desktop; Alt+Enter: full screen, largest that fits

Exit status:
  0 after q; 1 when a named file cannot be used or no window opens;
  2 for a usage error.
)";

bool isReadableFile(const std::string& path) {
    if (!regularFileProblem(path).empty()) return false;  // a pipe would stall the start
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

// A name ending in ".vx" that names nothing yet starts a new model under that name; any other
// missing name is still an error.
bool isNewModelName(const std::string& path) {
    constexpr std::string_view extension = ".vx";
    return path.size() > extension.size() && path.ends_with(extension) && !fileExists(path);
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

// The editor's own model, one of another format that is imported, or a new model by name.
bool namesModel(const std::string& path) {
    return startsWithModelSignature(path) || isOtherModelFile(path) || isNewModelName(path);
}

StartRequest sortFiles(const std::vector<std::string>& files) {
    StartRequest request;
    if (files.empty()) return request;
    const std::string whole = joined(files);
    if (files.size() == 1 || (files.size() > 2 && isReadableFile(whole))) {
        (namesModel(whole) ? request.modelPath : request.picturePath) = whole;
        return request;
    }
    if (files.size() > 2) return usageError("too many files; give at most one model and one picture");
    const bool firstIsModel = namesModel(files[0]);
    const bool secondIsModel = namesModel(files[1]);
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

// Opens the named model: the editor's own, one of another format (imported under NAME.vx,
// unsaved; its own file is never written), or a new one under a name that does not exist yet,
// where nothing is written until a save. A file that ends early opens with a warning.
void openModel(EditorState& state, const std::string& path) {
    if (fileExists(path) && !startsWithModelSignature(path)) {
        std::string problem;
        if (!importOtherModel(state, path, problem)) fail(unusableFileStatus, problem);
        resetHistory(state.history, state.model, state.currentFileName);
        markImported(state);
        return;
    }
    if (fileExists(path)) {
        const LoadVerdict verdict = loadModel(state, path);
        if (verdict == LoadVerdict::invalidFile) fail(unusableFileStatus, path + ": invalid file");
        if (verdict == LoadVerdict::endsEarly) {
            std::fprintf(stderr, "vxedit: %s: %s\n", path.c_str(), std::string(endsEarlyMessage).c_str());
            state.heldMessage = {std::string(endsEarlyMessage), startMessageRow};
        }
        // The views' pictures come with the model; one that cannot be shown is named and skipped.
        const std::string skipped = loadViewReferences(state, path);
        if (!skipped.empty()) {
            std::fprintf(stderr, "vxedit: %s: %s\n", referencesPathFor(path).c_str(), skipped.c_str());
            state.heldMessage = {skipped, startMessageRow};
        }
    }
    state.currentFileName = path;
    state.diskStamp = stampOf(path);
    resetHistory(state.history, state.model, state.currentFileName);  // the opened model is the saved state
}

// One line per copy, newest first: when, where, from which model, and whether an editor still
// runs with it.
void listRecoveryCopies() {
    const std::string folder = recoveryFolder();
    const std::vector<CopyListing> copies = listCopies(folder);
    if (copies.empty()) std::printf("no recovery copies in %s\n", folder.empty() ? "(no folder)" : folder.c_str());
    for (const CopyListing& copy : copies) {
        std::tm local{};
        localtime_r(&copy.modified, &local);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
        std::printf("%s  %s  from %s%s\n", when, copy.path.c_str(), copy.model.empty() ? "(unknown)" : copy.model.c_str(),
                    copy.live ? "  (a running editor's)" : "");
    }
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

const char* helpText() { return help; }

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
        } else if (argument == "--recover") {
            return StartRequest{StartRequest::Action::recover, "", "", ""};
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
        case StartRequest::Action::recover:
            listRecoveryCopies();
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
    if (!request.modelPath.empty()) openModel(state, request.modelPath);
}

const char* commandLineHelp() { return help; }

}  // namespace vx
