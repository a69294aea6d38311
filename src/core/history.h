// The model's history: undo and redo steps, and the state last saved or loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

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

struct HistoryStep {
    std::unique_ptr<TableChange<Vertex>> vertices;  // null when the table did not change
    std::unique_ptr<TableChange<Polygon>> polygons;
    std::unique_ptr<TableChange<Line>> lines;
    std::size_t bytes;  // memory the step holds, counted against maxHistoryBytes
};

inline constexpr std::size_t maxHistorySteps = 4096;       // at least the last 1000 are kept
inline constexpr std::size_t maxHistoryBytes = 64u << 20;  // oldest steps go first past this

struct History {
    std::unique_ptr<Model> present;  // the model as the newest recorded step left it
    std::unique_ptr<Model> saved;    // the model as last saved or loaded
    std::deque<HistoryStep> steps;   // oldest first
    std::size_t undoable;            // steps[0..undoable) undo, steps[undoable..) redo
    std::size_t bytes;               // sum of the steps' bytes
    std::size_t maxSteps;            // limits; tests lower them
    std::size_t maxBytes;
    bool unsavedChanges;  // the model differs from saved
};

// Forgets every step; the model becomes both the present and the saved state.
void resetHistory(History& history, const Model& model);

// Records what changed since the present as one step, dropping any redo steps. False when
// nothing changed.
bool recordStep(History& history, const Model& model);

// Puts the model back to the state before (undo) or after (redo) a step. False with nothing
// to undo or redo.
bool undoStep(History& history, Model& model);
bool redoStep(History& history, Model& model);

// Puts the model back to the present: what the newest recorded step left, dropping changes not
// yet recorded.
void restorePresent(const History& history, Model& model);

// The model was just saved or loaded: it is now the saved state.
void markSaved(History& history, const Model& model);

// True when the tables and counts, as a save writes them, are the same.
bool sameModel(const Model& a, const Model& b);

}  // namespace vx
