// The model's history: undo and redo steps, and the state last saved or loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/palette.h"

namespace vx {

struct Model;

// What one step changed in one table: its count before and after, and the entries of the
// one range that differs, as they were and as they became.
template <typename Entry>
struct TableChange {
    int32_t countBefore;
    int32_t countAfter;
    int32_t first;              // index of before[0] and after[0]
    std::vector<Entry> before;  // same length as after
    std::vector<Entry> after;
};

struct Vertex;
struct Polygon;
struct Line;

// A load or a save-as moves the model to another file: undo and redo take the name back and
// forth with the model, so a quick save after them writes where that model belongs.
struct NameChange {
    std::string before;
    std::string after;
};

// A palette loaded, or put back to the built-in one.
struct PaletteChange {
    Palette before;
    Palette after;
};

struct HistoryStep {
    std::unique_ptr<TableChange<Vertex>> vertices;  // null when the table did not change
    std::unique_ptr<TableChange<Polygon>> polygons;
    std::unique_ptr<TableChange<Line>> lines;
    std::unique_ptr<NameChange> name;  // null when the file name did not change
    std::unique_ptr<PaletteChange> palette;  // null when the palette did not change
    std::size_t bytes;  // memory the step holds, counted against maxHistoryBytes
};

inline constexpr std::size_t maxHistorySteps = 4096;       // at least the last 1000 are kept
inline constexpr std::size_t maxHistoryBytes = 64u << 20;  // oldest steps go first past this

struct History {
    std::unique_ptr<Model> present;  // the model as the newest recorded step left it
    std::string presentName;         // the file name that goes with present
    std::unique_ptr<Model> saved;    // the model as last saved or loaded
    std::string savedName;           // the file it was saved to or loaded from
    std::deque<HistoryStep> steps;   // oldest first
    std::size_t undoable;            // steps[0..undoable) undo, steps[undoable..) redo
    std::size_t bytes;               // sum of the steps' bytes
    std::size_t maxSteps;            // limits; tests lower them
    std::size_t maxBytes;
    bool unsavedChanges;  // the model differs from saved, or goes by another name than savedName
};

// Forgets every step; the model, under this file name, becomes both the present and the saved
// state.
void resetHistory(History& history, const Model& model, const std::string& name);

// Records what changed since the present, in the model or its file name, as one step, dropping
// any redo steps. False when nothing changed.
bool recordStep(History& history, const Model& model, const std::string& name);

// Puts the model and its file name back to the state before (undo) or after (redo) a step.
// False with nothing to undo or redo.
bool undoStep(History& history, Model& model, std::string& name);
bool redoStep(History& history, Model& model, std::string& name);

// Puts the model back to the present: what the newest recorded step left, dropping changes not
// yet recorded.
void restorePresent(const History& history, Model& model);

// The present goes by another file name without a step: a save under a new name is no edit.
void renamePresent(History& history, const std::string& name);

// The model was just saved to or loaded from the named file: it is now the saved state.
void markSaved(History& history, const Model& model, const std::string& name);

// True when the tables, counts and palette, as a save writes them, are the same.
bool sameModel(const Model& a, const Model& b);

}  // namespace vx
