// Benchmarks of the text drawn in every pass: the status bar and a scrolling print.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/console/display.h"
#include "platform/console/text.h"
#include "platform/headless/headless.h"
#include "ui/status_bar.h"
#include "vxedit/main_loop.h"

namespace vx {
namespace {

std::unique_ptr<EditorState> startedEditor() {
    headless::reset();
    auto state = std::make_unique<EditorState>();
    const char* argv[] = {"vxbench"};
    startEditor(*state, 1, argv);
    return state;
}

// A status-only pass in Vertices mode, the mode with the most numbers on its help lines.
void statusOnlyPass(benchmark::State& run) {
    const auto state = startedEditor();
    state->mode = EditorMode::vertices;
    for (auto _ : run) {
        lockScreen();
        drawTabsAndHelp(*state);
    }
}
BENCHMARK(statusOnlyPass);

// The text of a full pass: value row, tabs and help lines.
void fullPassText(benchmark::State& run) {
    const auto state = startedEditor();
    for (auto _ : run) {
        lockScreen();
        drawValueRow(*state);
        drawTabsAndHelp(*state);
    }
}
BENCHMARK(fullPassText);

// A full row printed with a new line on the last row: every call scrolls the whole grid.
void scrollingRow(benchmark::State& run) {
    const auto state = startedEditor();
    const std::string row(100, 'x');
    for (auto _ : run) {
        locate(37, 1);
        printString(row, 1);
    }
}
BENCHMARK(scrollingRow);

}  // namespace
}  // namespace vx
