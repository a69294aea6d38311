// The named views' own tracing pictures: File mode's b and B, and Camera mode's placing of them.
#pragma once

#include "core/editor_state.h"

namespace vx {

// File mode.
void addViewPicture(EditorState& state);     // b: asks for a picture for the current view
void removeViewPicture(EditorState& state);  // B

// Camera mode, in an orthographic view that shows a picture of its own.
bool currentViewHasPicture(const EditorState& state);
void lessOpaque(EditorState& state);          // [: 100 -> 75 -> 50 -> 25
void moreOpaque(EditorState& state);          // ]
void startCalibration(EditorState& state);    // k: two clicks, then the distance between them
bool calibrating(const EditorState& state);
void cancelCalibration(EditorState& state);   // Esc

// Shift + left drag moves the picture, Shift + right drag scales it about its centre, and the
// clicks of a calibration land on it. True when the pass's mouse input went to the picture, so
// that it neither pans nor zooms.
bool pictureMouse(EditorState& state);

// Camera mode's rows 4 and 5: the picture's name, opacity and scale with its keys, or the
// calibration's step, and the message of the last picture key.
void drawPictureHelp(const EditorState& state);

}  // namespace vx
