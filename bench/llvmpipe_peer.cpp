// Our frame against Mesa's llvmpipe (through OSMesa) on the same sphere, in one run.
//
// llvmpipe does the same work per frame as our renderer: every vertex transformed, every polygon
// normal computed and turned for its flat shade, depth-tested points, lines and flat-shaded
// polygons with no culling, at 800x600 into a buffer in memory. Its thread count is read when its
// screen is made, so each llvmpipe setting runs in a child process of its own.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/editor_state.h"
#include "render/frame.h"
#include "render/projection.h"
#include "render/render_threads.h"
#include "sphere_scene.h"
#include "support/reference_renderer.h"

namespace vx::bench {
namespace {

constexpr int width = 800, height = 600;

// Time per frame in ms: on the wall clock, and the processor time of the whole process (every
// thread's), each the median of several rounds after a warm-up. On a busy machine the wall clock
// suffers from other work; the processor time shows the work itself.
struct Timing {
    double wall, processor;
};

double processorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

template <class Frame>
Timing timePerFrame(Frame&& frame) {
    constexpr int rounds = 15, framesPerRound = 10;
    for (int i = 0; i < 3; ++i) frame();
    std::vector<double> wall, processor;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const double processorStart = processorSeconds();
        for (int i = 0; i < framesPerRound; ++i) frame();
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        wall.push_back(spent.count() / framesPerRound);
        processor.push_back((processorSeconds() - processorStart) * 1e3 / framesPerRound);
    }
    return {median(wall), median(processor)};
}

// The turn of the camera as a matrix: rows give view x, y and z of a model point.
struct Turn {
    float m[3][3];
};

Turn turnOf(const Camera& camera) {
    const Projection p = projectionOf(camera, ScreenBuffers{width, height, {}, {}, {}, {}, nullptr});
    Turn t{};
    const float basis[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int column = 0; column < 3; ++column) {
        ViewPoint v{};
        transformPoint(p, basis[column][0], basis[column][1], basis[column][2], v);
        t.m[0][column] = v.x;
        t.m[1][column] = v.y;
        t.m[2][column] = v.z;
    }
    return t;
}

// The scene as GL arrays: points, line ends, and four corners per polygon with a colour each.
struct GlScene {
    std::vector<float> points, lineEnds, corners;
    std::vector<uint8_t> cornerColours;
};

GlScene glSceneOf(const EditorState& s) {
    GlScene g;
    const auto push = [&s](std::vector<float>& to, uint16_t vertex) {
        const Vertex& v = s.model.vertices[vertex];
        to.insert(to.end(), {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)});
    };
    for (int i = 0; i < s.model.vertexCount; ++i) push(g.points, static_cast<uint16_t>(i));
    for (int i = 0; i < s.model.lineCount; ++i) {
        push(g.lineEnds, s.model.lines[static_cast<std::size_t>(i)].a);
        push(g.lineEnds, s.model.lines[static_cast<std::size_t>(i)].b);
    }
    for (int i = 0; i < s.model.polygonCount; ++i)
        for (const uint16_t slot : s.model.polygons[static_cast<std::size_t>(i)].slots) push(g.corners, slot);
    g.cornerColours.assign(static_cast<std::size_t>(s.model.polygonCount) * 16, 255);
    return g;
}

// The same perspective as ours: screen x = x * zoom / depth + 400, y downward, depth 1..drawdepth.
void loadView(const Camera& camera) {
    const double n = 1.0, f = camera.drawdepth, z = camera.zoom;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-width / 2 / z * n, width / 2 / z * n, -height / 2 / z * n, height / 2 / z * n, n, f);
    const Turn t = turnOf(camera);
    const GLfloat modelView[16] = {t.m[0][0],  -t.m[1][0], -t.m[2][0], 0,         t.m[0][1],
                                   -t.m[1][1], -t.m[2][1], 0,          t.m[0][2], -t.m[1][2],
                                   -t.m[2][2], 0,          0,          0,         -static_cast<float>(camera.distance),
                                   1};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelView);
}

// Each polygon's normal from its edges at slot 0, turned by the camera; its view z gives the grey.
void shadePolygons(const EditorState& s, const Turn& t, std::vector<uint8_t>& colours) {
    for (int i = 0; i < s.model.polygonCount; ++i) {
        const Polygon& p = s.model.polygons[static_cast<std::size_t>(i)];
        const Vertex &a = s.model.vertices[p.slots[0]], &b = s.model.vertices[p.slots[1]],
                     &c = s.model.vertices[p.slots[3]];
        const float e1[3] = {float(b.x - a.x), float(b.y - a.y), float(b.z - a.z)};
        const float e2[3] = {float(c.x - a.x), float(c.y - a.y), float(c.z - a.z)};
        const float lengths = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]) *
                              std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
        const float n[3] = {(e2[1] * e1[2] - e1[1] * e2[2]) / lengths, (e2[2] * e1[0] - e1[2] * e2[0]) / lengths,
                            (e2[0] * e1[1] - e1[0] * e2[1]) / lengths};
        const float facing = t.m[2][0] * n[0] + t.m[2][1] * n[1] + t.m[2][2] * n[2];
        const auto g = static_cast<uint8_t>(std::min(248.0f, std::fabs(248.0f * facing)) + 7.0f);
        uint8_t* rgba = &colours[static_cast<std::size_t>(i) * 16];
        for (int corner = 0; corner < 4; ++corner) std::fill(rgba + corner * 4, rgba + corner * 4 + 3, g);
    }
}

void drawGlFrame(const EditorState& s, GlScene& g) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadView(s.camera);
    shadePolygons(s, turnOf(s.camera), g.cornerColours);
    glColor3ub(255, 255, 255);
    glVertexPointer(3, GL_FLOAT, 0, g.points.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(g.points.size() / 3));
    glVertexPointer(3, GL_FLOAT, 0, g.lineEnds.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(g.lineEnds.size() / 3));
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, g.cornerColours.data());
    glVertexPointer(3, GL_FLOAT, 0, g.corners.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(g.corners.size() / 3));
    glDisableClientState(GL_COLOR_ARRAY);
    glFinish();
}

std::unique_ptr<EditorState> sphereState(std::vector<uint32_t>& surface) {
    auto s = std::make_unique<EditorState>();
    initEditorState(*s);
    setDefaultModelAndView(*s);
    allocateScreenBuffers(*s, width, height, surface.data());
    buildSphere(*s);
    return s;
}

// Runs in the child process: one OSMesa context, the llvmpipe time per frame, or -1.
Timing llvmpipeTiming() {
    std::vector<uint32_t> surface(width * height);
    auto s = sphereState(surface);
    std::vector<uint32_t> pixels(width * height);
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
    if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, width, height)) return {-1, -1};
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    glViewport(0, 0, width, height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glClearColor(0, 0, 0, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    GlScene g = glSceneOf(*s);
    drawGlFrame(*s, g);
    const Timing timing = timePerFrame([&] { drawGlFrame(*s, g); });
    OSMesaDestroyContext(context);
    return timing;
}

// llvmpipe with LP_NUM_THREADS set to `threads`, in a child process so the setting takes.
Timing llvmpipeInChild(int threads) {
    int channel[2];
    if (pipe(channel) != 0) return {-1, -1};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
        const Timing timing = llvmpipeTiming();
        const ssize_t written = write(channel[1], &timing, sizeof timing);
        _exit(written == sizeof timing ? 0 : 1);
    }
    close(channel[1]);
    Timing timing{-1, -1};
    if (read(channel[0], &timing, sizeof timing) != sizeof timing) timing = {-1, -1};
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return timing;
}

// Whether our last frame's colour, depth and pick arrays are those of the literal reference
// renderer, bit for bit: a faster frame only counts when it is the same frame.
bool matchesReference(const EditorState& s) {
    auto reference = std::make_unique<test::ReferenceFrame>();
    if (!test::renderReference(s, s.projected, *reference, INT64_MAX)) return false;
    for (int32_t x = 0; x < width; ++x) {
        for (int32_t y = 0; y < height; ++y) {
            const std::size_t ours = pixelIndex(s.screen, x, y), theirs = static_cast<std::size_t>(x) * height + y;
            if (s.screen.colorBuffer[ours] != reference->color[theirs] ||
                s.screen.depthBuffer[ours] != reference->depth[theirs] ||
                s.screen.pickBuffer[ours] != reference->pick[theirs])
                return false;
        }
    }
    return true;
}

struct OursTiming {
    Timing timing;
    bool exact;
};

OursTiming oursTiming(int style, int threads) {
    std::vector<uint32_t> surface(width * height);
    auto s = sphereState(surface);
    s->shadeStyle = static_cast<uint8_t>(style);
    setRenderThreads(threads);
    const Timing timing = timePerFrame([&] {
        composeFrame(*s);
        copyFrameToScreen(*s);
    });
    return {timing, matchesReference(*s)};
}

void printTable(const char* title, const int* threadCounts, const Timing (&peer)[2], const Timing (&ours)[2][3],
                double Timing::*field) {
    std::printf("\n%s\n%-8s %9s %9s %9s %9s   %s\n", title, "threads", "llvmpipe", "outline", "flat", "shaded",
                "ours / llvmpipe with the same threads | with all cores");
    for (int k = 0; k < 2; ++k) {
        std::printf("%-8d %9.2f %9.2f %9.2f %9.2f  ", threadCounts[k], peer[k].*field, ours[k][0].*field,
                    ours[k][1].*field, ours[k][2].*field);
        for (int style = 0; style < 3; ++style) std::printf(" %5.2f", ours[k][style].*field / (peer[k].*field));
        std::printf("  |");
        for (int style = 0; style < 3; ++style) std::printf(" %5.2f", ours[k][style].*field / (peer[0].*field));
        std::printf("\n");
    }
}

}  // namespace
}  // namespace vx::bench

int main(int argc, char** argv) {
    using namespace vx::bench;
    // `llvmpipe_peer STYLE FRAMES [THREADS]` draws only our frames, on one thread unless told, for
    // a profiler: the difference between two frame counts gives the cost of a frame alone.
    if (argc == 3 || argc == 4) {
        std::vector<uint32_t> surface(width * height);
        auto s = sphereState(surface);
        s->shadeStyle = static_cast<uint8_t>(std::atoi(argv[1]));
        vx::setRenderThreads(argc == 4 ? std::atoi(argv[3]) : 1);
        for (int i = std::atoi(argv[2]); i > 0; --i) {
            vx::composeFrame(*s);
            vx::copyFrameToScreen(*s);
        }
        return 0;
    }
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threadCounts[2] = {cores, 1};
    Timing peer[2], ours[2][3];
    bool exact = true;
    for (int k = 0; k < 2; ++k) {
        peer[k] = llvmpipeInChild(threadCounts[k]);
        for (int style = 0; style < 3; ++style) {
            const OursTiming t = oursTiming(style, threadCounts[k]);
            ours[k][style] = t.timing;
            exact = exact && t.exact;
        }
    }
    std::printf("sphere of %d x %d at 800x600, median ms per frame", sphereRings, sphereSegments);
    printTable("wall clock:", threadCounts, peer, ours, &Timing::wall);
    printTable("processor time of all threads:", threadCounts, peer, ours, &Timing::processor);
    std::printf("\nour arrays in every style and thread count %s the reference renderer's\n",
                exact ? "match" : "DIFFER FROM");
    return exact ? 0 : 1;
}
