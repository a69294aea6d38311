// The entry of a filled polygon: what its sweep is, whether it is drawn at all, and the route its
// samples take to the frame.
//
// The rule (rules 3 and 9 in RULES.md): a polygon with no sweep steps, or more than 2·width, draws
// nothing; otherwise it is swept, its corner mends are written, and, unless a span too long cut
// it short, its outline is mended. The literal definition is Renderer::fill in
// tests/support/reference_renderer.cpp. Every route below leaves the same pixels.
//
// The speed-ups are the routes: a polygon whose band has drawn nearer everywhere it can reach is
// passed by (hidden.cpp); one whose box is not too large is settled in a box of its own and then
// written out (settle.cpp, write_out.cpp); any other goes straight into the frame, gathering its
// blocks in a window for the outline mend where that window is not too large, and else walking
// its sweep again for the mend (outline_mend.cpp).
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

ScreenPoint lowestCorner(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, const ScreenPoint& d) {
    return {std::min({a.x, b.x, c.x, d.x}), std::min({a.y, b.y, c.y, d.y}),
            std::min({a.depth, b.depth, c.depth, d.depth})};
}
ScreenPoint highestCorner(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, const ScreenPoint& d) {
    return {std::max({a.x, b.x, c.x, d.x}), std::max({a.y, b.y, c.y, d.y}),
            std::max({a.depth, b.depth, c.depth, d.depth})};
}

PixelBox reachOf(const FrameArrays& f, const Rows& rows, const ScreenPoint& low, const ScreenPoint& high,
                 double steps) {
    const double mx = walkMargin(low.x, high.x, steps), my = walkMargin(low.y, high.y, steps);
    // A block reaches one pixel right of and below its sample.
    return {static_cast<int32_t>(std::max(std::floor(low.x - mx), 0.0)),
            static_cast<int32_t>(std::min(std::floor(high.x + mx) + 1.0, f.width - 1.0)),
            static_cast<int32_t>(std::max(std::floor(low.y - my), static_cast<double>(rows.top))),
            static_cast<int32_t>(std::min(std::floor(high.y + my) + 1.0, rows.bottom - 1.0))};
}

// One polygon's sweep: its corners as screen points, its steps, and the box its samples lie in.
struct SweepPlan {
    ScreenPoint a, b, c, d;  // the corners in drawing order
    ScreenPoint stepAB, stepCD;
    double n;      // the sweep's steps
    double steps;  // n + maxCount: no walk of the polygon is longer, for the walks' margins
    // Every sample lies within the corners' box up to the rounding of the sweep and the span.
    ScreenPoint low, high;
};

// False where the polygon draws nothing: no sweep steps or too many (rule 3), or no sample that
// can reach the band. Every sample lies between the two swept edges, so within the corners' rows
// up to rounding.
bool planSweep(const Target& t, const Corners& k, SweepPlan& s) {
    s.a = screenPointOf(*k.a), s.b = screenPointOf(*k.b), s.c = screenPointOf(*k.c), s.d = screenPointOf(*k.d);
    const ScreenPoint dAB = s.b - s.a, dCD = s.d - s.c;
    s.n = std::max(stepCount(dAB), stepCount(dCD));
    if (s.n == 0.0 || s.n > t.maxCount) return false;
    s.steps = s.n + t.maxCount;
    s.low = lowestCorner(s.a, s.b, s.c, s.d), s.high = highestCorner(s.a, s.b, s.c, s.d);
    if (!mayTouchBand(t.frame, s.low.y, s.high.y, s.steps)) return false;
    const auto count = static_cast<float>(s.n);
    s.stepAB = dAB / count, s.stepCD = dCD / count;
    return true;
}

// Whether the band has drawn nearer than the polygon everywhere its blocks can reach (hidden.cpp).
bool hiddenInBand(const Target& t, const SweepPlan& s) {
    const PixelBox reach = reachOf(t.frame, t.sweep, s.low, s.high, s.steps);
    return hiddenBehindDrawn(t.frame, reach, s.low, s.high, s.steps);
}

// Where one polygon's samples go, and what its mends need once the sweep is done. The target
// points into the rest, so a route stays where it is made.
struct Route {
    Target target;
    PixelBox reach{};  // what the samples' blocks can reach on the whole surface
    SettleBox box{};
    SampleKeys keys{};
    std::optional<SpanLanes> lanes{};
    std::optional<MendWindow> gathered{};
};

// The polygon's target for its sweep, with the side its spans follow each other on and empty
// lists of corner mends and points passed by.
Target sweptTarget(const Target& t, const SweepPlan& s) {
    Target swept = t;
    swept.sweepX = static_cast<double>(s.stepAB.x) + s.stepCD.x;
    swept.sweepY = static_cast<double>(s.stepAB.y) + s.stepCD.y;
    thread_local std::vector<MendCandidate> mends;  // only grows, like the edge directions
    thread_local std::vector<PassedPoint> passedBy;
    mends.clear();
    passedBy.clear();
    swept.mends = &mends;
    swept.passedBy = &passedBy;
    return swept;
}

// The settle route, where the box is worth it and, under the per-sample shade, the keys fit. A
// settled polygon's box reaches over the band's edges, so that the spans across them need no
// clipping; only its rows in the band go into the frame.
bool settleIfWorth(const Target& t, const SweepPlan& s, Route& r) {
    if (!worthSettling(r.reach)) return false;
    const double longestSpan = std::max(stepCount(s.c - s.a), stepCount(s.d - s.b));
    if (t.style != 1 && !sampleKeysOf(t, s.low, s.high, s.steps, s.n, longestSpan, r.keys)) return false;
    r.box = settleBoxOver(r.reach);
    r.target.sweep = {0, t.frame.height};
    r.target.reached = {t.frame.top - 1, t.frame.bottom + 1};
    r.target.settle = &r.box;
    if (t.style == 2) r.target.keys = &r.keys;
    r.target.lanes = &r.lanes.emplace(r.box, r.target.keys);
    return true;
}

// The outline's inside over the band's rows and two either side: a window row needs the rows
// beside it, and the window reaches a row beyond the band.
OutlineRows outlineNearBand(const FrameArrays& f, const Corners& k) {
    return OutlineRows(k, std::max(f.top, 1) - 2, std::min(f.bottom, f.height) + 1, f.width);
}

HullRows hullOf(const SweepPlan& s, const OutlineRows& outline, const PixelBox& reach, int32_t firstRow,
                int32_t rowCount) {
    const ScreenPoint corners[4] = {s.a, s.b, s.c, s.d};
    return HullRows(corners, outline.convexOutline(), walkMargin(s.low.x, s.high.x, s.steps),
                    walkMargin(s.low.y, s.high.y, s.steps), reach.x0, reach.x1, firstRow, rowCount);
}

// A polygon straight into the frame gathers its blocks for the outline mend as it is swept,
// walking the rows beside the band too, where the window is not too large; else the sweep is
// walked again afterwards (mendOutlineStraight).
void gatherIfSmall(const Target& t, const SweepPlan& s, const OutlineRows& outline, Route& r) {
    const Rows walked{std::max(t.frame.top - 1, 0), std::min(t.frame.bottom + 1, t.frame.height)};
    const int32_t first = std::max(walked.top, r.reach.y0), last = std::min(walked.bottom - 1, r.reach.y1);
    const HullRows hull = hullOf(s, outline, r.reach, first, last - first + 1);
    std::size_t size = 0;
    for (int32_t y = first; y <= last; ++y) size += static_cast<std::size_t>(hull.of(y).last - hull.of(y).first + 1);
    if (size > windowLimit) return;
    r.target.gather = &r.gathered.emplace(first, last, [&hull](int32_t y) { return hull.of(y); });
    r.target.sweep = r.target.reached = walked;
}

// A settled polygon's box into the frame, with its corner and outline mends.
void finishSettled(const SweepPlan& s, const OutlineRows& outline, Route& r, const OutlineMend& mend) {
    const Target& t = r.target;
    const HullRows hull = hullOf(s, outline, r.reach, r.box.y0, r.box.height);
    if (t.keys)
        writeSettledPolygon(t, r.box, hull, KeyValues{r.keys, Tint{t.tint}}, *t.mends, mend);
    else
        writeSettledPolygon(t, r.box, hull, FlatValues{t.flatColour}, *t.mends, mend);
}

// The corner and outline mends of a polygon that went straight into the frame.
void finishStraight(const SweepPlan& s, const Corners& k, const MendedRows& mended, Route& r,
                    const OutlineMend& mend) {
    const Target& t = r.target;
    if (!t.mends->empty()) mendHoles(t, s.a, s.c, s.stepAB, s.stepCD, s.n);
    if (r.gathered) {
        r.gathered->writeOut(t);
        mendFromWindow(mend, *r.gathered, mended.first, mended.last);
    } else {
        mendOutlineStraight(t, mend, k, s.a, s.c, s.stepAB, s.stepCD, s.n, s.low, s.high);
    }
}

// The route a polygon's samples take: passed by when hidden, else settled where worth it, else
// straight into the frame; then its mends.
void fillPolygon(const Target& t, const Corners& k) {
    SweepPlan s{};
    if (!planSweep(t, k, s) || hiddenInBand(t, s)) return;
    Route r{.target = sweptTarget(t, s)};
    r.reach = reachOf(t.frame, Rows{0, t.frame.height}, s.low, s.high, s.steps);
    const bool settled = settleIfWorth(t, s, r);
    OutlineRows outline = outlineNearBand(t.frame, k);
    const MendedRows mended = mendedRows(t.frame, outline);
    if (!settled && mended.first <= mended.last) gatherIfSmall(t, s, outline, r);
    r.target.inside = spanInside(t.frame, r.target.sweep, s.low, s.high, s.steps);
    // A polygon cut short keeps only what was drawn: its outline is no longer what was swept.
    if (!sweepPolygon(r.target, k, s.a, s.c, s.stepAB, s.stepCD, s.n)) outline = OutlineRows();
    if (r.lanes) r.lanes->walk();
    const OutlineMend mend{r.target, outline, *r.target.passedBy, *r.target.mends};
    if (settled)
        finishSettled(s, outline, r, mend);
    else
        finishStraight(s, k, mended, r, mend);
}

}  // namespace
}  // namespace vx::VX_FILL_BUILD
