// The handlers of the five modes, each run only in its own mode, in the dispatch's fixed order,
// and what their keys do.
#pragma once

#include "core/editor_state.h"

namespace vx {

void rotateBlock(EditorState& state);    // quarter turns, reset and rotate drags
void verticesBlock(EditorState& state);  // place, pick, move, delete and join vertices
void fileBlock(EditorState& state);      // save and load commands
void cameraBlock(EditorState& state);    // pan and zoom drags, reset
void polysBlock(EditorState& state);     // quads from markers; select, flip, toggle, delete, paint

// Rotate and Camera modes.
void quarterTurnAxy(EditorState& state);
void quarterTurnAxz(EditorState& state);
void quarterTurnAyz(EditorState& state);
void resetTurns(EditorState& state);
void resetPanAndZoom(EditorState& state);
void showNamedView(EditorState& state, int index);  // index into namedViews; pan and zoom stay
template <int index>
void showView(EditorState& state) {
    showNamedView(state, index);
}
void toggleOrthographic(EditorState& state);

// Vertices mode. Each group edit reports "tables full" on the group's row when it cannot fit.
void groupEveryVertexOrNone(EditorState& state);
void toggleSnapToGrid(EditorState& state);
void startGrab(EditorState& state);
void startScale(EditorState& state);
void startTurn(EditorState& state);
void startDuplicateAndGrab(EditorState& state);
void startExtrudeAndGrab(EditorState& state);
void mirrorTheGroup(EditorState& state);
void weldTheGroup(EditorState& state);
void deleteTheGroup(EditorState& state);
void deleteLastVertex(EditorState& state);
void pickVertexBehind(EditorState& state);  // the vertex on the same pixel behind the last picked
// The selected vertex goes, and with it the pass's left click: the vertex it would move is gone.
void deleteSelectedVertex(EditorState& state);
// Enter keeps a running group operation as a left click does, where the pointer is now.
void keepFollowing(EditorState& state);

// Polys mode.
bool selectsPolygon(const EditorState& state);  // the selection names a polygon of the model
void flipSelectedPolygon(EditorState& state);
void toggleSelectedPolygonSides(EditorState& state);
void deleteSelectedPolygon(EditorState& state);
void previousColour(EditorState& state);  // the current colour steps down, 0 to 31
void nextColour(EditorState& state);      // and up, 31 to 0
void paintSelectedPolygon(EditorState& state);
void takeSelectedPolygonColour(EditorState& state);
// The palette entry nearest in CIE Lab to the mean of the picture under the selected polygon.
void paintFromPicture(EditorState& state);

// File mode.
void saveToCurrentFile(EditorState& state);
void saveAs(EditorState& state);
void loadNamed(EditorState& state);
void reloadCurrentFile(EditorState& state);
void loadPalette(EditorState& state);  // asks for a name; an empty one puts back the built-in palette

}  // namespace vx
