// The one record that holds the model and every piece of editor state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/palette.h"
#include "core/view_picture.h"

namespace vx {

inline constexpr int32_t maxVertices = 5000;
inline constexpr int32_t maxPolygons = 5000;
inline constexpr int32_t maxLines = 5000;
inline constexpr uint16_t twoSidedFlag = 0x8000;  // bit 15 of PolygonFlags

// The editor's own pi: 3.1416 held in single precision, used by every angle computation.
inline constexpr float pi = 3.1416f;
// 180 / pi, not pi / 180: angles are multiplied by it for display.
inline constexpr float degreesPerRadian = static_cast<float>(180.0 / static_cast<double>(pi));

struct Vertex {
    int32_t x, y, z;  // model units
};

// A triangle repeats its third vertex in slot 3.
struct Polygon {
    std::array<uint16_t, 4> slots;  // vertex indices; may name a missing vertex after a delete or load
    uint16_t flags;                 // PolygonFlags: colour in bits 0-4 (colourMask), twoSidedFlag; bits 5-14 kept as loaded
};

struct Line {
    uint16_t a, b;  // vertex indices
};

struct Model {
    std::array<Vertex, maxVertices> vertices;  // VertexTable
    int32_t vertexCount;                       // entries 0..vertexCount-1 are in use
    std::array<Polygon, maxPolygons> polygons; // PolygonTable
    int32_t polygonCount;
    std::array<Line, maxLines> lines;          // LineTable
    int32_t lineCount;
    Palette palette = builtinPalette;          // what polygon colours 1..31 mean
};

struct Normal {
    float x, y, z;  // model space, length = sine of the angle at slot 0; NaN for a zero-length edge
};

struct ProjectedVertex {
    int32_t screenX;  // panX included; valid only when depth is in 1..drawdepth
    int32_t screenY;  // panY included
    int32_t depth;    // floor of the view depth, rewritten every frame
    int32_t viewX;    // view x rounded to nearest, ties to even
    int32_t viewY;
};

struct Camera {
    float axy;          // radians, first turn (x-y plane)
    float axz;          // radians, second turn (x-z plane)
    float ayz;          // radians, third turn (y-z plane)
    int32_t distance;   // added to the turned z; kept >= 1
    float zoom;         // projection scale; kept >= 1.0
    int32_t panX;       // pixels added to every projected x
    int32_t panY;       // pixels added to every projected y
    int32_t drawdepth;  // far limit of the integer depth; kept >= 1
    uint8_t orthographic;  // 1: every point is drawn at the scale perspective gives depth `distance`
};

enum class EditorMode : uint8_t { rotate = 0, vertices = 1, file = 2, camera = 3, polys = 4 };

struct Selection {
    std::array<uint16_t, 4> vertices;  // SelectedVertices, in the order they were picked, distinct
    int32_t vertexCount;               // selectedVertexCount, 0..4
    int32_t polygon;                   // selectedPolygon: pick code -(i+1) of polygon i, 0 none
};

// The group of Vertices mode: any number of vertices, kept apart from the selection of four.
struct VertexGroup {
    std::array<uint8_t, maxVertices> member;  // 1 when vertex i is in the group; 0 at and above vertexCount
    int32_t count;                            // how many entries of member are 1
};

enum class GroupAction : uint8_t { none, grab, scale, turn };

// What an extrude made, so that keeping it can turn a closed solid outside out when the
// extrusion went back through its faces.
struct ExtrudeRecord {
    std::array<uint16_t, maxPolygons> moved;  // the grouped polygons that moved onto the copies
    int32_t movedCount;
    int32_t firstAdded;  // polygons firstAdded..polygonCount-1 are the side quads and caps
    bool capped;         // the grouped polygons touched no other polygon: a cap closes the solid
    std::array<double, 3> front;  // sum of the moved polygons' front directions (model units squared)
};

// A grab, scale or turn of the group that follows the pointer until a click keeps it or Esc
// cancels it. Cancelling puts back the model the history last recorded, which is the model as
// it was before the key that started it (including a duplicate's or an extrude's additions).
struct GroupOperation {
    GroupAction action;                     // none while nothing runs
    const char* name;                       // what the help line calls it: "grab", "duplicate", ...
    int32_t startMouseX, startMouseY;       // pointer when it started
    std::array<double, 3> centre;           // the group's centre in model units when it started
    int32_t centreDepth;                    // the centre's view depth relative to distance
    double centreScreenX, centreScreenY;    // the centre on the screen, pan included
    std::array<float, 3> grabStart;         // the model point under the pointer at centreDepth
    std::array<Vertex, maxVertices> start;  // the vertices when it started
    VertexGroup groupBefore;                // the group before the key, for a cancel
    bool extruding;                         // extrude holds what it made
    ExtrudeRecord extrude;
    std::array<int32_t, 3> shown;           // offset, per cent or degrees for the help line
};

// A Shift + left drag that picks the group with a rectangle of the screen.
struct GroupRectangle {
    bool active;           // the button is held
    bool removing;         // Ctrl was held: the vertices inside leave the group
    int32_t startX, startY;  // pixels where the button went down
    int32_t endX, endY;      // the pointer now
};

// Painting in Polys mode: the current colour, and a Shift + left press that paints the polygon
// under the pointer when it is released where it went down.
struct Paint {
    int32_t colour;          // the current colour: 0 none, 1..31 a palette entry
    bool pressed;            // a Shift + left press waits for its release
    int32_t pressX, pressY;  // pixels where it went down
};

// Screen-sized arrays, stored row by row: element (x, y) lives at y * screenWidth + x.
struct ScreenBuffers {
    int32_t screenWidth;                   // as the display reports it
    int32_t screenHeight;
    std::vector<uint32_t> colorBuffer;     // 0x00RRGGBB
    std::vector<int32_t> depthBuffer;      // smaller is nearer; 0 only under selection marks
    std::vector<int16_t> pickBuffer;       // pick code: 0 none, i+1 vertex i, -(i+1) polygon i
    std::vector<uint32_t> backgroundImage; // 0x00RRGGBB, filled once at start-up
    uint32_t* frameBuffer;                 // the display surface, rows with no gap
};

inline std::size_t pixelIndex(const ScreenBuffers& screen, int32_t x, int32_t y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(screen.screenWidth) +
           static_cast<std::size_t>(x);
}

struct Background {
    uint8_t hasBackground;             // 1 once a picture's signature was accepted
    int32_t backgroundWidth;           // as stored in the picture's header
    int32_t backgroundHeight;
    std::array<uint8_t, 8192> readBuffer;  // ReadBuffer of the picture reader
    int32_t readIndex;                 // 0..8191; 0 means the next byte starts a new block
};

struct InputState {
    std::string key;            // key of this pass: empty, one cp437 character, or chr(255) + code
    int32_t mouseX, mouseY;     // pixels, -1 outside the window
    int32_t mouseWheel;         // running wheel position
    int32_t mouseButtons;       // bit 0 left, bit 1 right; masked while holdAfterTabClick
    int32_t prevMouseX, prevMouseY, prevMouseWheel, prevMouseButtons;
    uint8_t leftClick;          // 1 in the pass the left button went down
    uint8_t rightClick;         // 2 in the pass the right button went down
    uint8_t holdAfterTabClick;  // left button counts as up until released after a tab click
    int32_t tabRowY;            // pixel y of the top of the tab row
    int32_t dragStartX, dragStartY;
    float dragStartAxy, dragStartAxz, dragStartAyz;
    int32_t dragStartPanX, dragStartPanY;
    float dragStartZoom;
    int32_t mouseModifiers;     // bit 0 Shift, bit 1 Ctrl, as held at this poll's mouse state
    int32_t pointerDistance;    // view depth of the 3-D pointer relative to distance; no bounds
    bool snapToGrid;            // placing and group operations land on a 10-unit grid
    std::array<float, 3> pointerPosition;  // model-space point under the pointer
};

// Where the main loop resumes; lets a test run the loop until it waits for input.
enum class LoopStep : uint8_t { frame, status, wait, act, pace };

struct LoopState {
    LoopStep next;        // the step the next pass starts with
    bool screenLocked;    // step C took the display lock that step D releases
    int64_t framesDrawn;  // full frames composed since start-up
};

// The copy of the model the editor keeps while it has unsaved changes.
struct RecoveryCopy {
    std::string path;     // the copy this run made; empty when there is none
    bool stale;           // the model changed since the copy was written
    int64_t writtenAtMs;  // loop clock of the last write attempt
    bool written;         // a write was attempted this run (writtenAtMs is meaningful)
    int lockFd = -1;      // the lock that marks path as this running editor's own; -1 none
    std::string failure;  // why the last write failed; empty after one that succeeded
    bool quitWarned;      // "q" said that no copy could be written: the next "q" ends anyway
    std::string offered;  // an ended editor's copy that the message rows offer back; empty none
    std::string keptAtLoad;  // the copy this run last kept for good at a load: never offered to it
};

// What the current file was like when the editor last read or wrote it, to notice a change
// made by others before a save replaces it.
struct FileStamp {
    std::string name;     // the file it describes; empty: nothing known
    int64_t size;         // bytes
    int64_t modifiedNs;   // time of the last change, nanoseconds since 1970
    uint64_t hash;        // FNV-1a of the whole content
    bool replaceAllowed;  // the user has seen "changed on disk" and saves over it anyway
};

// A message that the full frame right after it would cover, such as a load's warning: that
// frame prints it again, once.
struct HeldMessage {
    std::string text;  // empty: none
    int row;           // text row it stands on
};

// What the window's title last showed, so it is set again only when it changes.
struct ShownTitle {
    std::string fileName;
    bool unsavedChanges;
    bool set;  // false until the first title is shown
};

struct EditorState {
    Model model;
    std::array<Normal, maxPolygons> polygonNormals;  // PolygonNormals, derived each frame
    std::array<float, maxPolygons> polygonFacing;    // PolygonFacing: view z of the turned normal
    std::array<ProjectedVertex, maxVertices> projected;  // ProjectedVertexTable of the last frame
    Camera camera;
    uint8_t showFlags;   // bit 0 vertex markers, bit 1 lines, bit 2 polygons
    uint8_t shadeStyle;  // 0 outline, 1 flat, 2 per sample
    EditorMode mode;
    Selection selection;
    VertexGroup group;
    GroupOperation groupOperation;
    GroupRectangle groupRectangle;
    Paint paint;
    const char* vertexMessage;  // Vertices mode's message row ("tables full") until the next input; null for none
    std::string currentFileName;
    std::array<char, 5> modelMagic;  // "VTXF" and a terminating zero
    Background background;
    ScreenBuffers screen;
    int32_t redrawPending;  // 1: the next pass draws a full frame
    InputState input;
    LoopState loop;
    History history;  // undo and redo of the model; what was last saved or loaded
    RecoveryCopy recovery;
    FileStamp diskStamp;  // the current file as this editor last read or wrote it
    HeldMessage heldMessage;
    ShownTitle shownTitle;
    ViewPictures viewPictures;  // the named views' own tracing pictures
};

// Every field zero or empty, then the start values that do not depend on the display.
void initEditorState(EditorState& state);

// The eight corners of a cube of edge 200 and the camera and view defaults.
void setDefaultModelAndView(EditorState& state);

// Sizes the four screen-sized arrays once the display size is known; all start at zero.
void allocateScreenBuffers(EditorState& state, int32_t width, int32_t height, uint32_t* frameBuffer);

}  // namespace vx
