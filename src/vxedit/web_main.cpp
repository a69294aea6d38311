// vxedit in a web page: the editor's start-up and main loop, and the page's Open and Download
// buttons, which the loop serves between its passes.
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "io/background_image.h"
#include "platform/input.h"
#include "ui/file_commands.h"
#include "vxedit/main_loop.h"

namespace vx {
namespace {

constexpr int32_t idleSleepMs = 60;
constexpr int pathBytes = 4096;

enum PageRequest : int { noRequest = 0, openRequest = 1, downloadRequest = 2 };

// The page queues what its buttons ask for; the editor takes one request per idle poll, so the
// work runs on the editor's own flow and never beside a pass. For Open, `path` receives the
// picked file's place and `name` its own name.
// clang-format off
EM_JS(int, takePageRequest, (char* path, char* name, int size), {
    const request = (Module.vxRequests || []).shift();
    if (!request) return 0;
    stringToUTF8(request.path || "", path, size);
    stringToUTF8(request.name || "", name, size);
    return request.kind === "open" ? 1 : 2;
});

EM_JS(void, offerDownload, (const char* fileName), {
    try {
        if (Module.vxDownload) Module.vxDownload(UTF8ToString(fileName));
    } catch (error) {
        console.error("vxedit: the download failed", error);
    }
});
// clang-format on

// A picture replaces the tracing picture; anything else is loaded as a model file.
void openPicked(EditorState& state, const std::string& path, const std::string& name) {
    PreparedPicture picture;
    if (preparePicture(path, picture).ok()) {
        // The reader fills only what the picture covers, so an earlier picture is cleared first.
        std::fill(state.screen.backgroundImage.begin(), state.screen.backgroundImage.end(), 0u);
        showPicture(state, picture);
        state.redrawPending = 1;
    } else {
        loadPickedModel(state, path, name);
    }
    std::remove(path.c_str());
}

void servePageRequests(EditorState& state) {
    static char path[pathBytes], name[pathBytes];
    for (int kind; (kind = takePageRequest(path, name, pathBytes)) != noRequest;) {
        state.redrawPending = 0;
        if (kind == openRequest) openPicked(state, path, name);
        if (kind == downloadRequest && quickSave(state)) offerDownload(state.currentFileName.c_str());
        // As after a key: a full frame when the model or picture changed, else the status rows.
        state.loop.next = state.redrawPending ? LoopStep::frame : LoopStep::status;
        runUntilWaiting(state);
    }
}

}  // namespace
}  // namespace vx

int main(int argc, char** argv) {
    // The browser's file system starts with every permission masked, which would make each new
    // file unreadable; files here get the usual permissions.
    umask(022);
    // Recovery copies go into the folder the page keeps, which it made the working folder.
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder)) setenv("XDG_STATE_HOME", (std::string(folder) + "/.local/state").c_str(), 0);
    auto state = std::make_unique<vx::EditorState>();
    vx::startEditor(*state, argc, argv);
    for (;;) {
        vx::runUntilWaiting(*state);
        vx::servePageRequests(*state);
        vx::sleepMs(vx::idleSleepMs);
    }
}
