// The model's history: steps that store only the range of each table they changed.
#include "core/history.h"

#include <algorithm>
#include <cstring>

#include "core/editor_state.h"

namespace vx {
namespace {

// Entries are compared as the bytes a save writes: they are plain records without padding.
template <typename Entry>
bool sameEntry(const Entry& a, const Entry& b) {
    return std::memcmp(&a, &b, sizeof(Entry)) == 0;
}

template <typename Entry, std::size_t capacity>
bool sameTable(const std::array<Entry, capacity>& a, int32_t countA, const std::array<Entry, capacity>& b,
               int32_t countB) {
    if (countA != countB) return false;
    const auto count = static_cast<std::size_t>(std::clamp<int32_t>(countA, 0, static_cast<int32_t>(capacity)));
    return std::memcmp(a.data(), b.data(), count * sizeof(Entry)) == 0;
}

// The change from the present table to the model's, or null when they are the same. Entries
// past both counts are not looked at: no save writes them and no edit reads them.
template <typename Entry, std::size_t capacity>
std::unique_ptr<TableChange<Entry>> diffTable(const std::array<Entry, capacity>& present, int32_t presentCount,
                                              const std::array<Entry, capacity>& now, int32_t nowCount) {
    const int32_t span = std::clamp<int32_t>(std::max(presentCount, nowCount), 0, static_cast<int32_t>(capacity));
    int32_t first = 0;
    while (first < span && sameEntry(present[static_cast<std::size_t>(first)], now[static_cast<std::size_t>(first)]))
        ++first;
    if (first == span && presentCount == nowCount) return nullptr;
    int32_t end = span;
    while (end > first && sameEntry(present[static_cast<std::size_t>(end - 1)], now[static_cast<std::size_t>(end - 1)]))
        --end;
    auto change = std::make_unique<TableChange<Entry>>();
    change->countBefore = presentCount;
    change->countAfter = nowCount;
    change->first = first;
    change->before.assign(present.begin() + first, present.begin() + end);
    change->after.assign(now.begin() + first, now.begin() + end);
    return change;
}

template <typename Entry, std::size_t capacity>
void applyChange(const TableChange<Entry>* change, bool forward, std::array<Entry, capacity>& table, int32_t& count) {
    if (!change) return;
    const std::vector<Entry>& entries = forward ? change->after : change->before;
    std::copy(entries.begin(), entries.end(), table.begin() + change->first);
    count = forward ? change->countAfter : change->countBefore;
}

template <typename Entry>
std::size_t changeBytes(const std::unique_ptr<TableChange<Entry>>& change) {
    if (!change) return 0;
    return sizeof(TableChange<Entry>) + 2 * change->before.size() * sizeof(Entry);
}

void applyStep(const HistoryStep& step, bool forward, Model& model, std::string& name) {
    applyChange(step.vertices.get(), forward, model.vertices, model.vertexCount);
    applyChange(step.polygons.get(), forward, model.polygons, model.polygonCount);
    applyChange(step.lines.get(), forward, model.lines, model.lineCount);
    if (step.name) name = forward ? step.name->after : step.name->before;
    if (step.palette) model.palette = forward ? step.palette->after : step.palette->before;
}

std::unique_ptr<PaletteChange> diffPalette(const Palette& present, const Palette& now) {
    if (present == now) return nullptr;
    return std::make_unique<PaletteChange>(PaletteChange{present, now});
}

std::unique_ptr<NameChange> diffName(const std::string& present, const std::string& now) {
    if (present == now) return nullptr;
    return std::make_unique<NameChange>(NameChange{present, now});
}

std::size_t nameBytes(const std::unique_ptr<NameChange>& change) {
    return change ? sizeof(NameChange) + change->before.size() + change->after.size() : 0;
}

void dropRedoSteps(History& history) {
    while (history.steps.size() > history.undoable) {
        history.bytes -= history.steps.back().bytes;
        history.steps.pop_back();
    }
}

// The oldest steps go first; the newest step always stays, however large.
void trimOldest(History& history) {
    while (history.steps.size() > 1 && (history.steps.size() > history.maxSteps || history.bytes > history.maxBytes)) {
        history.bytes -= history.steps.front().bytes;
        history.steps.pop_front();
        --history.undoable;
    }
}

template <typename Entry, std::size_t capacity>
void copyUsed(const std::array<Entry, capacity>& from, int32_t count, std::array<Entry, capacity>& to) {
    const auto used = static_cast<long>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(capacity)));
    std::copy(from.begin(), from.begin() + used, to.begin());
}

// The model takes the present's tables up to their counts: an entry that changed past a count
// while it was out of use must not come back with the count.
void takePresent(const Model& present, Model& model) {
    copyUsed(present.vertices, present.vertexCount, model.vertices);
    copyUsed(present.polygons, present.polygonCount, model.polygons);
    copyUsed(present.lines, present.lineCount, model.lines);
    model.vertexCount = present.vertexCount;
    model.polygonCount = present.polygonCount;
    model.lineCount = present.lineCount;
    model.palette = present.palette;
}

// A model put back under another name than the file that holds it (an undone save-as) is not
// in that file: a quick save would write it there.
void noteSavedState(History& history, const Model& model) {
    history.unsavedChanges = !sameModel(model, *history.saved) || history.presentName != history.savedName;
}

}  // namespace

bool sameModel(const Model& a, const Model& b) {
    return sameTable(a.vertices, a.vertexCount, b.vertices, b.vertexCount) &&
           sameTable(a.polygons, a.polygonCount, b.polygons, b.polygonCount) &&
           sameTable(a.lines, a.lineCount, b.lines, b.lineCount) && a.palette == b.palette;
}

void resetHistory(History& history, const Model& model, const std::string& name) {
    if (!history.present) history.present = std::make_unique<Model>();
    if (!history.saved) history.saved = std::make_unique<Model>();
    *history.present = model;
    history.presentName = name;
    *history.saved = model;
    history.savedName = name;
    history.steps.clear();
    history.undoable = 0;
    history.bytes = 0;
    if (history.maxSteps == 0) history.maxSteps = maxHistorySteps;
    if (history.maxBytes == 0) history.maxBytes = maxHistoryBytes;
    history.unsavedChanges = false;
}

bool recordStep(History& history, const Model& model, const std::string& name) {
    if (!history.present) resetHistory(history, model, name);
    Model& present = *history.present;
    HistoryStep step;
    step.vertices = diffTable(present.vertices, present.vertexCount, model.vertices, model.vertexCount);
    step.polygons = diffTable(present.polygons, present.polygonCount, model.polygons, model.polygonCount);
    step.lines = diffTable(present.lines, present.lineCount, model.lines, model.lineCount);
    step.name = diffName(history.presentName, name);
    step.palette = diffPalette(present.palette, model.palette);
    if (!step.vertices && !step.polygons && !step.lines && !step.name && !step.palette) return false;
    step.bytes = sizeof(HistoryStep) + changeBytes(step.vertices) + changeBytes(step.polygons) +
                 changeBytes(step.lines) + nameBytes(step.name) + (step.palette ? sizeof(PaletteChange) : 0);
    applyStep(step, true, present, history.presentName);
    dropRedoSteps(history);
    history.bytes += step.bytes;
    history.steps.push_back(std::move(step));
    history.undoable = history.steps.size();
    trimOldest(history);
    noteSavedState(history, model);
    return true;
}

bool undoStep(History& history, Model& model, std::string& name) {
    recordStep(history, model, name);  // a change not yet recorded is undone first
    if (history.undoable == 0) return false;
    applyStep(history.steps[--history.undoable], false, *history.present, history.presentName);
    takePresent(*history.present, model);
    name = history.presentName;
    noteSavedState(history, model);
    return true;
}

bool redoStep(History& history, Model& model, std::string& name) {
    if (recordStep(history, model, name) || history.undoable == history.steps.size()) return false;
    applyStep(history.steps[history.undoable++], true, *history.present, history.presentName);
    takePresent(*history.present, model);
    name = history.presentName;
    noteSavedState(history, model);
    return true;
}

void restorePresent(const History& history, Model& model) {
    if (history.present) takePresent(*history.present, model);
}

void markSaved(History& history, const Model& model, const std::string& name) {
    if (!history.saved) resetHistory(history, model, name);
    *history.saved = model;
    history.savedName = name;
    history.unsavedChanges = false;
}

void renamePresent(History& history, const std::string& name) { history.presentName = name; }

}  // namespace vx
