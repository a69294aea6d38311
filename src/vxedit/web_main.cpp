// vxedit in a web page: the editor's start-up and main loop, and what the page's buttons ask
// for (open, download, restore, a shared model, a link), which the loop serves between passes.
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "core/history.h"
#include "io/model/model_file.h"
#include "io/picture/background_image.h"
#include "platform/console/input.h"
#include "platform/web/web_backend.h"
#include "ui/file_commands.h"
#include "ui/key_bindings.h"
#include "ui/recovery.h"
#include "vxedit/main_loop.h"

namespace vx {
namespace {

constexpr int32_t idleSleepMs = 60;
// Nothing but input changes what an idle page shows (no signals reach it, and its recovery copy
// is written at once), so its wait ends at least once a second only as a safeguard.
constexpr int32_t idleLongestSleepPolls = 17;
// A tab can be closed or crash at any moment: its copy follows the model at every wait.
constexpr int64_t pageRecoveryRefreshMs = 0;
constexpr int pathBytes = 4096;
constexpr const char* downloadFolder = "/tmp/download";  // outside the kept folder

enum PageRequest : int {
    noRequest = 0,
    openRequest = 1,
    downloadRequest = 2,
    restoreRequest = 3,  // a recovery copy, to go on as the unsaved work it is
    sharedRequest = 4,   // a model from a link: unsaved work until the user saves it
    linkRequest = 5,     // the model's bytes at `path`, for a link
};

struct PageView {
    std::string fileName;
    bool unsaved = false;
};

// The page queues what its buttons ask for; the editor takes one request per idle poll, so the
// work runs on the editor's own flow and never beside a pass. For Open, `path` receives the
// picked file's place and `name` its own name.
// clang-format off
EM_JS(int, takePageRequest, (char* path, char* name, int size), {
    const request = (Module.vxRequests || []).shift();
    if (!request) return 0;
    stringToUTF8(request.path || "", path, size);
    stringToUTF8(request.name || "", name, size);
    return {open: 1, download: 2, restore: 3, shared: 4, link: 5}[request.kind] || 0;
});

// The page's title, the warning before leaving and the panel follow the model's name and state.
EM_JS(void, showModelState, (const char* fileName, int unsaved), {
    if (Module.vxModelState) Module.vxModelState(UTF8ToString(fileName), unsaved !== 0);
});

EM_JS(void, offerLink, (const char* path, int written), {
    if (Module.vxLinkReady) Module.vxLinkReady(UTF8ToString(path), written !== 0);
});

EM_JS(void, offerDownload, (const char* fileName), {
    try {
        if (Module.vxDownload) Module.vxDownload(UTF8ToString(fileName));
    } catch (error) {
        console.error("vxedit: the download failed", error);
    }
});

// One row of the key tables for the page's key bar: `key` holds the key's bytes as the editor
// takes them (length of them), `mode` the mode it works in or -1 for every mode, and `during`
// is 1 for a key that works only while a grab, scale or turn runs.
EM_JS(void, addKeyRow, (const char* key, int length, int mode, int during, const char* named, const char* does), {
    (Module.vxKeyRows = Module.vxKeyRows || []).push({
        key: Array.from(HEAPU8.subarray(key, key + length)),
        mode, during: during !== 0, named: UTF8ToString(named), does: UTF8ToString(does),
    });
});

// The key bar follows the mode, and a grab, scale or turn that runs.
EM_JS(void, showMode, (int mode, int operating), {
    if (Module.vxMode) Module.vxMode(mode, operating !== 0);
});

// Whether the program was built with WebAssembly SIMD, for the page's tests.
EM_JS(void, tellPageOfBuild, (int simd), { Module.vxBuild = {simd: simd !== 0}; });
// clang-format on

// A palette's file name ends .gpl or .hex; the scratch path the page hands over has no ending.
bool namesPalette(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ending = name.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending == "gpl" || ending == "hex";
}

#ifdef __wasm_simd128__
constexpr int builtWithSimd = 1;
#else
constexpr int builtWithSimd = 0;
#endif

// The page's key bar is made from the key tables, so that it offers every key of every mode.
void tellPageOfKeys() {
    for (const std::span<const KeyBinding> table : keyTables) {
        for (const KeyBinding& row : table) {
            if (!row.named) continue;
            const int mode = row.mode ? static_cast<int>(*row.mode) : -1;
            const int during = table.data() == groupOperationKeys.data() ? 1 : 0;
            addKeyRow(row.key.data(), static_cast<int>(row.key.size()), mode, during, row.named, row.does);
        }
    }
}

void tellPageOfMode(const EditorState& state) {
    static int shown = -2;
    const bool operating = state.groupOperation.action != GroupAction::none;
    const int now = static_cast<int>(state.mode) * 2 + (operating ? 1 : 0);
    if (now == shown) return;
    shown = now;
    showMode(static_cast<int>(state.mode), operating ? 1 : 0);
}

// A palette becomes the model's, a picture replaces the tracing picture; anything else is loaded
// as a model file.
void openPicked(EditorState& state, const std::string& path, const std::string& name) {
    PreparedPicture picture;
    if (namesPalette(name)) {
        applyPaletteFile(state, path);
    } else if (preparePicture(path, picture).ok()) {
        // The reader fills only what the picture covers, so an earlier picture is cleared first.
        std::fill(state.screen.backgroundImage.begin(), state.screen.backgroundImage.end(), 0u);
        showPicture(state, picture);
        state.redrawPending = 1;
    } else {
        loadPickedModel(state, path, name);
    }
    std::remove(path.c_str());
}

// A restored copy or a shared model counts as changed from what its name holds in the folder,
// which is unknown here: its saved state is taken as empty. A restored copy goes on as this
// run's copy, so edits refresh it and a save removes it; a shared model gets a copy of its own.
void loadAsUnsaved(EditorState& state, const std::string& path, const std::string& name, bool isCopy) {
    if (!loadPickedModel(state, path, name)) return;
    Model& saved = *state.history.saved;
    saved.vertexCount = saved.polygonCount = saved.lineCount = 0;
    state.history.unsavedChanges = !sameModel(state.model, saved);
    state.recovery.path = isCopy ? path : std::string();
    state.recovery.stale = !isCopy;
}

// Download hands over the model as shown, under its name, and writes nothing in the folder: a
// save there first would replace a stored model of that name with other contents unasked.
void downloadModel(EditorState& state) {
    const std::string& current = state.currentFileName;
    std::string name = current.substr(current.find_last_of('/') + 1);  // the whole name when it has no '/'
    if (name.empty()) name = "unnamed.vx";
    mkdir(downloadFolder, 0755);
    const std::string path = std::string(downloadFolder) + "/" + name;
    if (saveModelFile(state, path) == SaveVerdict::saved) offerDownload(path.c_str());
    std::remove(path.c_str());
}

void serveRequest(EditorState& state, int kind, const std::string& path, const std::string& name) {
    if (kind == openRequest) openPicked(state, path, name);
    if (kind == downloadRequest) downloadModel(state);
    if (kind == restoreRequest || kind == sharedRequest) loadAsUnsaved(state, path, name, kind == restoreRequest);
    if (kind == sharedRequest) std::remove(path.c_str());
    if (kind == linkRequest) offerLink(path.c_str(), saveModelFile(state, path) == SaveVerdict::saved);
}

void servePageRequests(EditorState& state) {
    static char path[pathBytes], name[pathBytes];
    for (int kind; (kind = takePageRequest(path, name, pathBytes)) != noRequest;) {
        state.redrawPending = 0;
        serveRequest(state, kind, path, name);
        // As after a key: a full frame when the model or picture changed, else the status rows.
        state.loop.next = state.redrawPending ? LoopStep::frame : LoopStep::status;
        runUntilWaiting(state);
    }
}

void tellPageOfModel(const EditorState& state) {
    static PageView shown;
    const bool unsaved = state.history.unsavedChanges;
    if (shown.fileName == state.currentFileName && shown.unsaved == unsaved) return;
    shown = {state.currentFileName, unsaved};
    showModelState(shown.fileName.c_str(), unsaved ? 1 : 0);
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
    vx::tellPageOfBuild(vx::builtWithSimd);
    vx::tellPageOfKeys();
    vx::startEditor(*state, argc, argv);
    vx::tellPageOfMode(*state);  // the key bar is there with the first frame
    for (;;) {
        vx::runUntilWaiting(*state);
        vx::servePageRequests(*state);
        vx::refreshRecoveryCopy(*state, vx::pageRecoveryRefreshMs);
        vx::tellPageOfModel(*state);
        vx::tellPageOfMode(*state);
        vx::sleepUntilInput(vx::idleSleepMs, vx::idleLongestSleepPolls);
    }
}
