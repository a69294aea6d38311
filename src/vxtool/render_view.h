// Setting up the editor's view from render options, shared by the command and its tests.
#pragma once

#include <string>

#include "core/editor_state.h"
#include "vxtool/commands.h"

namespace vx::tool {

// Degrees as the value row shows them to the editor's radians: 90 gives exactly what one
// quarter-turn key adds to 0.
float radiansFromDegrees(double degrees);

// "WxH" or "N" (meaning NxN), each 1..16384. False for anything else.
bool parseSize(const std::string& text, int32_t& width, int32_t& height);

// Sizes the screen arrays, sets camera, style and display flags from the options (the editor's
// start values where none is given). The model is left alone.
// At sizes other than 800x600 zoom and pan are scaled by the smaller of width/800 and
// height/600, so the picture is framed as in the editor's window.
bool prepareView(const RenderOptions& options, EditorState& state, std::string& error);

// --frame: distance, zoom, pan and draw depth chosen so that the model, seen from the camera's
// angles, fills the sized picture with a margin. A model without vertices leaves the camera alone.
void frameModel(EditorState& state);

// A --distance without --drawdepth: the draw depth reaches past the whole model at that
// distance, so that stepping back never cuts the model away.
void reachPastModel(EditorState& state);

// True when the frame drew or picked anything: a depth nearer than the cleared value or a pick code.
bool anythingInView(const EditorState& state);

// Reads the --background picture, if any, into the sized screen arrays as the editor does.
bool loadBackground(const RenderOptions& options, EditorState& state, std::string& error);

// --references: the views' pictures from the model's NAME.vxref. A picture that cannot be read
// is skipped and named on standard error; the model is drawn all the same.
void loadViewPictures(const RenderOptions& options, EditorState& state);

}  // namespace vx::tool
