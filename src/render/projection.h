// Turning model points by the camera, projecting them, and the vertex pass with its markers.
#pragma once

#include <cstdint>

#include "core/editor_state.h"
#include "render/pixel_writers.h"

namespace vx {

// Everything the projection needs from the camera and the screen, worked out once per frame:
// the six sines and cosines are shared by every vertex and every polygon normal of the frame.
struct Projection {
    float cosXy, sinXy;
    float cosXz, sinXz;
    float cosYz, sinYz;
    int32_t distance;  // added to the turned z
    float zoom;
    int32_t centreX;  // screenWidth div 2
    int32_t centreY;  // screenHeight div 2
    bool orthographic;  // the screen scale is zoom / distance for every point, not zoom / depth
};

Projection projectionOf(const Camera& camera, const ScreenBuffers& screen);

struct ViewPoint {
    float x, y, z;    // view coordinates
    float depth;      // z + distance; grows away from the viewer
    int32_t screenX;  // pan not included; written only when depth > 0, else left as it was
    int32_t screenY;
};

void transformPoint(const Projection& projection, float x, float y, float z, ViewPoint& view);
// What a view coordinate is divided by, after the zoom, to give its screen offset: the point's
// own depth in perspective, the camera distance when orthographic. Everything that maps between
// the screen and the model goes through it.
inline double screenDivisor(const Projection& projection, double depth) {
    return projection.orthographic ? static_cast<double>(projection.distance) : depth;
}

// View z alone, as transformPoint gives it: all a polygon normal's facing needs.
float turnedZ(const Projection& projection, float x, float y, float z);

// Fills the ProjectedVertexTable rows of vertices 0..vertexCount-1, or of first..end-1 only when
// given (threads share the rows out by index).
void projectVertices(EditorState& state, const Projection& projection, int32_t first = 0, int32_t end = maxVertices);
// Draws the marker and pick code of every vertex within the depth range 1..drawdepth, in index
// order: a marker's depth test sees what earlier markers wrote.
void drawVertexMarkers(const EditorState& state, const FrameArrays& frame);

}  // namespace vx
