// The vertex group and its edits: duplicate, mirror, extrude, weld and delete.
//
// Each edit counts what it will add before it changes anything, so a table that would pass its
// 5000 entries leaves the whole model as it was. Each walks the tables a fixed number of times
// (the extrude also sorts its edges), so a group of every vertex costs little more than a small one.
#include "ui/vertex_group.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "core/numeric.h"

namespace vx {
namespace {

// Where each vertex goes: its copy, its new number, or noVertex.
using VertexMap = std::array<int32_t, maxVertices>;
constexpr int32_t noVertex = -1;

template <typename Entry, std::size_t capacity>
std::span<Entry> used(std::array<Entry, capacity>& table, int32_t count) {
    return {table.data(), static_cast<std::size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(capacity)))};
}

template <typename Entry, std::size_t capacity>
std::span<const Entry> used(const std::array<Entry, capacity>& table, int32_t count) {
    return {table.data(), static_cast<std::size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(capacity)))};
}

int32_t usedVertices(const Model& model) { return std::clamp(model.vertexCount, 0, maxVertices); }

bool lineInGroup(const VertexGroup& group, const Line& line) {
    return inGroup(group, line.a) && inGroup(group, line.b);
}

bool polygonInGroup(const VertexGroup& group, const Polygon& polygon) {
    return std::all_of(polygon.slots.begin(), polygon.slots.end(), [&](uint16_t v) { return inGroup(group, v); });
}

bool fits(const Model& model, int64_t vertices, int64_t polygons, int64_t lines) {
    return model.vertexCount + vertices <= maxVertices && model.polygonCount + polygons <= maxPolygons &&
           model.lineCount + lines <= maxLines;
}

// The same polygon seen from its other side; a triangle keeps its repeated corner in slot 3.
std::array<uint16_t, 4> reversed(const std::array<uint16_t, 4>& s) {
    if (s[2] == s[3]) return {s[0], s[2], s[1], s[1]};
    return {s[0], s[3], s[2], s[1]};
}

// The group becomes exactly the vertices the map names.
void groupBecomesImage(VertexGroup& group, const VertexMap& map, int32_t vertexCount) {
    clearGroup(group);
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (map[static_cast<std::size_t>(i)] != noVertex) setGroupMember(group, map[static_cast<std::size_t>(i)], true);
    }
}

uint16_t mapped(const VertexMap& map, uint16_t v) { return static_cast<uint16_t>(map[v]); }

bool onMirrorPlane(const Model& model, uint16_t v) { return model.vertices[v].x == 0; }

// A line or polygon lying wholly on x = 0 would be its own mirror image.
template <typename Slots>
bool wholeOnPlane(const Model& model, const Slots& slots) {
    return std::all_of(slots.begin(), slots.end(), [&](uint16_t v) { return onMirrorPlane(model, v); });
}

struct CopyPlan {
    int32_t vertices = 0, polygons = 0, lines = 0;
};

CopyPlan planCopy(const Model& model, const VertexGroup& group, bool mirror) {
    CopyPlan plan;
    for (int32_t i = 0; i < usedVertices(model); ++i)
        plan.vertices += inGroup(group, i) && !(mirror && onMirrorPlane(model, static_cast<uint16_t>(i)));
    for (const Line& line : used(model.lines, model.lineCount))
        plan.lines += lineInGroup(group, line) && !(mirror && wholeOnPlane(model, std::array{line.a, line.b}));
    for (const Polygon& polygon : used(model.polygons, model.polygonCount))
        plan.polygons += polygonInGroup(group, polygon) && !(mirror && wholeOnPlane(model, polygon.slots));
    return plan;
}

GroupVerdict copyGroup(Model& model, VertexGroup& group, bool mirror) {
    if (group.count == 0) return GroupVerdict::emptyGroup;
    const CopyPlan plan = planCopy(model, group, mirror);
    if (!fits(model, plan.vertices, plan.polygons, plan.lines)) return GroupVerdict::tablesFull;
    VertexMap map;
    map.fill(noVertex);
    const int32_t vertexCount = usedVertices(model);
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (!inGroup(group, i)) continue;
        const Vertex v = model.vertices[static_cast<std::size_t>(i)];
        if (mirror && v.x == 0) {
            map[static_cast<std::size_t>(i)] = i;
            continue;
        }
        map[static_cast<std::size_t>(i)] = model.vertexCount;
        model.vertices[static_cast<std::size_t>(model.vertexCount++)] = {mirror ? wrapSub(0, v.x) : v.x, v.y, v.z};
    }
    const int32_t lineCount = model.lineCount;
    for (int32_t k = 0; k < lineCount; ++k) {
        const Line line = model.lines[static_cast<std::size_t>(k)];
        if (!lineInGroup(group, line) || (mirror && wholeOnPlane(model, std::array{line.a, line.b}))) continue;
        model.lines[static_cast<std::size_t>(model.lineCount++)] = {mapped(map, line.a), mapped(map, line.b)};
    }
    const int32_t polygonCount = model.polygonCount;
    for (int32_t k = 0; k < polygonCount; ++k) {
        const Polygon polygon = model.polygons[static_cast<std::size_t>(k)];
        if (!polygonInGroup(group, polygon) || (mirror && wholeOnPlane(model, polygon.slots))) continue;
        std::array<uint16_t, 4> slots{};
        for (std::size_t s = 0; s < 4; ++s) slots[s] = mapped(map, polygon.slots[s]);
        model.polygons[static_cast<std::size_t>(model.polygonCount++)] = {mirror ? reversed(slots) : slots,
                                                                          polygon.flags};
    }
    groupBecomesImage(group, map, vertexCount);
    return GroupVerdict::done;
}

// An undirected edge as one sortable number; both ends are group members, so below 5000.
uint32_t edgeKey(uint16_t a, uint16_t b) { return static_cast<uint32_t>(std::min(a, b)) << 16 | std::max(a, b); }

// Visits the edges from slot k to slot k + 1 (and 3 to 0) that join two different corners.
template <typename Visit>
void forEachEdge(const Polygon& polygon, Visit visit) {
    for (std::size_t k = 0; k < 4; ++k) {
        const uint16_t a = polygon.slots[k], b = polygon.slots[(k + 1) % 4];
        if (a != b) visit(a, b, k);
    }
}

bool hasKey(const std::vector<uint32_t>& sortedKeys, uint32_t key) {
    return std::binary_search(sortedKeys.begin(), sortedKeys.end(), key);
}

// The polygon's front: the side from which it is drawn when one-sided (e1 x e2 of slots 0, 1, 3).
std::array<double, 3> frontOf(const Model& model, const Polygon& polygon) {
    const Vertex& o = model.vertices[polygon.slots[0]];
    const Vertex& p = model.vertices[polygon.slots[1]];
    const Vertex& q = model.vertices[polygon.slots[3]];
    const double e1[3] = {double(p.x) - o.x, double(p.y) - o.y, double(p.z) - o.z};
    const double e2[3] = {double(q.x) - o.x, double(q.y) - o.y, double(q.z) - o.z};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
}

// What an extrude will do, worked out before anything changes.
struct ExtrudePlan {
    std::vector<int32_t> polygons;       // wholly in the group
    std::vector<uint32_t> edgeKeys;      // the edges of those polygons, sorted, each once
    std::vector<uint32_t> boundaryKeys;  // those of them that only one grouped polygon uses
    std::vector<uint8_t> boundary;       // per grouped polygon and slot: its edge from that slot is a boundary
    std::vector<int32_t> lines;          // wholly in the group: they move onto the copies
    std::vector<uint8_t> joined;         // per vertex: used by a grouped polygon or line
    int32_t sideQuads = 0;
    int32_t lineQuads = 0;  // for the grouped lines that are no edge of a grouped polygon
    int32_t loneVertices = 0;
    bool capped = true;
};

// One sort of every grouped edge, tagged with where it came from, finds the boundary: an edge
// whose run in the sorted list is one long.
void findBoundary(ExtrudePlan& plan, std::vector<uint64_t>& edges) {
    std::sort(edges.begin(), edges.end());
    plan.boundary.assign(plan.polygons.size() * 4, 0);
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t end = i + 1;
        while (end < edges.size() && edges[end] >> 32 == edges[i] >> 32) ++end;
        const auto key = static_cast<uint32_t>(edges[i] >> 32);
        plan.edgeKeys.push_back(key);
        if (end == i + 1) {
            plan.boundaryKeys.push_back(key);
            plan.boundary[static_cast<uint32_t>(edges[i])] = 1;
            ++plan.sideQuads;
        }
        i = end;
    }
}

void planPolygons(const Model& model, const VertexGroup& group, ExtrudePlan& plan) {
    const auto polygons = used(model.polygons, model.polygonCount);
    std::vector<uint64_t> edges;  // edge key, then grouped polygon * 4 + slot
    for (int32_t k = 0; k < static_cast<int32_t>(polygons.size()); ++k) {
        const Polygon& polygon = polygons[static_cast<std::size_t>(k)];
        if (!polygonInGroup(group, polygon)) continue;
        const uint64_t n = plan.polygons.size();
        plan.polygons.push_back(k);
        forEachEdge(polygon, [&](uint16_t a, uint16_t b, std::size_t slot) {
            edges.push_back(uint64_t{edgeKey(a, b)} << 32 | (n * 4 + slot));
        });
        for (uint16_t v : polygon.slots) plan.joined[v] = 1;
    }
    findBoundary(plan, edges);
    // Grouped polygons that share a boundary edge with the rest of the model open onto it; a
    // sheet that touches nothing is closed by a cap where it was.
    for (const Polygon& polygon : polygons) {
        if (!plan.capped || plan.polygons.empty()) break;
        if (polygonInGroup(group, polygon)) continue;
        forEachEdge(polygon, [&](uint16_t a, uint16_t b, std::size_t) {
            if (inGroup(group, a) && inGroup(group, b) && hasKey(plan.boundaryKeys, edgeKey(a, b))) plan.capped = false;
        });
    }
}

ExtrudePlan planExtrude(const Model& model, const VertexGroup& group) {
    ExtrudePlan plan;
    plan.joined.assign(maxVertices, 0);
    planPolygons(model, group, plan);
    const auto lines = used(model.lines, model.lineCount);
    for (int32_t k = 0; k < static_cast<int32_t>(lines.size()); ++k) {
        const Line& line = lines[static_cast<std::size_t>(k)];
        if (!lineInGroup(group, line)) continue;
        plan.joined[line.a] = plan.joined[line.b] = 1;
        plan.lines.push_back(k);
        plan.lineQuads += !hasKey(plan.edgeKeys, edgeKey(line.a, line.b));
    }
    for (int32_t i = 0; i < usedVertices(model); ++i)
        plan.loneVertices += inGroup(group, i) && !plan.joined[static_cast<std::size_t>(i)];
    return plan;
}

void addPolygon(Model& model, std::array<uint16_t, 4> slots, uint16_t flags) {
    model.polygons[static_cast<std::size_t>(model.polygonCount++)] = {slots, flags};
}

// The grouped polygons move onto the copies; each boundary edge a-b, taken in its polygon's
// corner order, gets the quad (a, b, b', a'), which faces out of the solid when the copy moves
// out of the polygon's front.
void extrudePolygons(Model& model, const ExtrudePlan& plan, const VertexMap& copy, ExtrudeRecord& record) {
    for (std::size_t n = 0; n < plan.polygons.size(); ++n) {
        const int32_t k = plan.polygons[n];
        Polygon& polygon = model.polygons[static_cast<std::size_t>(k)];
        const Polygon original = polygon;
        const std::array<double, 3> front = frontOf(model, original);
        for (std::size_t axis = 0; axis < 3; ++axis) record.front[axis] += front[axis];
        for (uint16_t& slot : polygon.slots) slot = mapped(copy, slot);
        record.moved[static_cast<std::size_t>(record.movedCount++)] = static_cast<uint16_t>(k);
        forEachEdge(original, [&](uint16_t a, uint16_t b, std::size_t slot) {
            if (plan.boundary[n * 4 + slot])
                addPolygon(model, {a, b, mapped(copy, b), mapped(copy, a)}, original.flags);
        });
        if (plan.capped) addPolygon(model, reversed(original.slots), original.flags);
    }
}

// Removes the vertices marked in `removed` with every line and polygon that uses one, and
// renumbers what is left, the selection included. An index at or above vertexCount names no
// vertex; it moves down with the rest, as a single delete moves it.
void removeVertices(Model& model, const VertexGroup& removed, Selection& selection) {
    const int32_t vertexCount = usedVertices(model);
    VertexMap map;
    int32_t kept = 0;
    for (int32_t i = 0; i < vertexCount; ++i) {
        map[static_cast<std::size_t>(i)] = inGroup(removed, i) ? noVertex : kept;
        if (!inGroup(removed, i))
            model.vertices[static_cast<std::size_t>(kept++)] = model.vertices[static_cast<std::size_t>(i)];
    }
    const int32_t gone = vertexCount - kept;
    const auto renumber = [&](uint16_t& v) {
        const int32_t to = v < vertexCount ? map[v] : v - gone;
        if (to == noVertex) return false;
        v = static_cast<uint16_t>(to);
        return true;
    };
    int32_t lines = 0;
    for (Line line : used(model.lines, model.lineCount)) {
        const bool firstKept = renumber(line.a);
        const bool secondKept = renumber(line.b);
        if (firstKept && secondKept) model.lines[static_cast<std::size_t>(lines++)] = line;
    }
    int32_t polygons = 0;
    for (Polygon polygon : used(model.polygons, model.polygonCount)) {
        bool keep = true;
        for (uint16_t& slot : polygon.slots) keep &= renumber(slot);
        if (keep) model.polygons[static_cast<std::size_t>(polygons++)] = polygon;
    }
    int32_t selected = 0;
    for (int32_t k = 0; k < std::clamp(selection.vertexCount, 0, 4); ++k) {
        uint16_t v = selection.vertices[static_cast<std::size_t>(k)];
        if (renumber(v)) selection.vertices[static_cast<std::size_t>(selected++)] = v;
    }
    selection.vertexCount = selected;
    model.vertexCount = kept;
    model.lineCount = lines;
    model.polygonCount = polygons;
}

// A polygon after a weld: repeated neighbours merge, and what keeps three corners becomes a
// triangle with its last corner repeated in slot 3. False when fewer than three corners stay.
bool tidyCorners(Polygon& polygon) {
    std::array<uint16_t, 4> corners{};
    std::size_t n = 0;
    for (uint16_t v : polygon.slots) {
        if (n == 0 || corners[n - 1] != v) corners[n++] = v;
    }
    while (n > 1 && corners[0] == corners[n - 1]) --n;
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < n; ++i) {
        bool seen = false;
        for (std::size_t j = 0; j < i; ++j) seen = seen || corners[j] == corners[i];
        distinct += seen ? 0 : 1;
    }
    if (distinct < 3) return false;
    if (n == 3) corners[3] = corners[2];
    polygon.slots = corners;
    return true;
}

}  // namespace

int32_t snapToStep(double value) { return roundToInt32(std::nearbyint(value / snapStep) * snapStep); }

void clearGroup(VertexGroup& group) {
    group.member.fill(0);
    group.count = 0;
}

void setGroupMember(VertexGroup& group, int32_t vertex, bool member) {
    if (vertex < 0 || vertex >= maxVertices || inGroup(group, vertex) == member) return;
    group.member[static_cast<std::size_t>(vertex)] = member ? 1 : 0;
    group.count += member ? 1 : -1;
}

void groupAllOrNone(VertexGroup& group, int32_t vertexCount) {
    const int32_t all = std::clamp(vertexCount, 0, maxVertices);
    const bool everyVertexIn = group.count == all;
    clearGroup(group);
    if (everyVertexIn) return;
    std::fill(group.member.begin(), group.member.begin() + all, uint8_t{1});
    group.count = all;
}

void dropGroupPast(VertexGroup& group, int32_t vertexCount) {
    for (int32_t i = std::clamp(vertexCount, 0, maxVertices); i < maxVertices && group.count > 0; ++i)
        setGroupMember(group, i, false);
}

std::array<double, 3> groupCentre(const Model& model, const VertexGroup& group) {
    std::array<double, 3> sum{};
    if (group.count == 0) return sum;
    for (int32_t i = 0; i < usedVertices(model); ++i) {
        if (!inGroup(group, i)) continue;
        const Vertex& v = model.vertices[static_cast<std::size_t>(i)];
        sum[0] += v.x, sum[1] += v.y, sum[2] += v.z;
    }
    for (double& axis : sum) axis /= group.count;
    return sum;
}

GroupVerdict duplicateGroup(Model& model, VertexGroup& group) { return copyGroup(model, group, false); }

GroupVerdict mirrorGroup(Model& model, VertexGroup& group) { return copyGroup(model, group, true); }

GroupVerdict extrudeGroup(Model& model, VertexGroup& group, ExtrudeRecord& record) {
    if (group.count == 0) return GroupVerdict::emptyGroup;
    const ExtrudePlan plan = planExtrude(model, group);
    const auto polygonCount = static_cast<int64_t>(plan.polygons.size());
    const int64_t added = plan.sideQuads + (plan.capped ? polygonCount : 0) + plan.lineQuads;
    if (!fits(model, group.count, added, plan.loneVertices)) return GroupVerdict::tablesFull;
    record.movedCount = 0;
    record.firstAdded = model.polygonCount;
    record.capped = plan.capped && polygonCount > 0;
    record.front = {};
    VertexMap copy;
    copy.fill(noVertex);
    const int32_t vertexCount = usedVertices(model);
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (!inGroup(group, i)) continue;
        copy[static_cast<std::size_t>(i)] = model.vertexCount;
        model.vertices[static_cast<std::size_t>(model.vertexCount++)] = model.vertices[static_cast<std::size_t>(i)];
    }
    extrudePolygons(model, plan, copy, record);
    for (const int32_t k : plan.lines) {
        Line& line = model.lines[static_cast<std::size_t>(k)];
        if (!hasKey(plan.edgeKeys, edgeKey(line.a, line.b)))
            addPolygon(model, {line.a, line.b, mapped(copy, line.b), mapped(copy, line.a)}, twoSidedFlag);
        line = {mapped(copy, line.a), mapped(copy, line.b)};
    }
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (inGroup(group, i) && !plan.joined[static_cast<std::size_t>(i)])
            model.lines[static_cast<std::size_t>(model.lineCount++)] = {static_cast<uint16_t>(i),
                                                                        mapped(copy, static_cast<uint16_t>(i))};
    }
    groupBecomesImage(group, copy, vertexCount);
    return GroupVerdict::done;
}

void finishExtrude(Model& model, const ExtrudeRecord& record, const std::array<double, 3>& move) {
    const double along = record.front[0] * move[0] + record.front[1] * move[1] + record.front[2] * move[2];
    if (!record.capped || along >= 0) return;
    for (int32_t k = 0; k < record.movedCount; ++k) {
        Polygon& polygon = model.polygons[record.moved[static_cast<std::size_t>(k)]];
        polygon.slots = reversed(polygon.slots);
    }
    for (Polygon& polygon :
         used(model.polygons, model.polygonCount).subspan(static_cast<std::size_t>(record.firstAdded)))
        polygon.slots = reversed(polygon.slots);
}

GroupVerdict weldGroup(Model& model, VertexGroup& group, Selection& selection, bool snap) {
    if (group.count == 0) return GroupVerdict::emptyGroup;
    const std::array<double, 3> centre = groupCentre(model, group);
    int32_t survivor = 0;
    while (survivor < usedVertices(model) && !inGroup(group, survivor)) ++survivor;
    if (survivor == usedVertices(model)) return GroupVerdict::emptyGroup;
    const auto kept = static_cast<uint16_t>(survivor);
    const auto place = [snap](double v) { return snap ? snapToStep(v) : roundToInt32(v); };
    model.vertices[kept] = {place(centre[0]), place(centre[1]), place(centre[2])};
    // Only what the weld touched can collapse; other lines and polygons stay as they are.
    const auto follow = [&](uint16_t& v) {
        if (!inGroup(group, v)) return false;
        v = kept;
        return true;
    };
    int32_t lines = 0;
    for (Line line : used(model.lines, model.lineCount)) {
        const bool firstTouched = follow(line.a);
        const bool secondTouched = follow(line.b);
        const bool touched = firstTouched || secondTouched;
        if (!touched || line.a != line.b) model.lines[static_cast<std::size_t>(lines++)] = line;
    }
    int32_t polygons = 0;
    for (Polygon polygon : used(model.polygons, model.polygonCount)) {
        bool touched = false;
        for (uint16_t& slot : polygon.slots) touched |= follow(slot);
        if (!touched || tidyCorners(polygon)) model.polygons[static_cast<std::size_t>(polygons++)] = polygon;
    }
    model.lineCount = lines;
    model.polygonCount = polygons;
    setGroupMember(group, survivor, false);
    removeVertices(model, group, selection);  // nothing uses the others any more
    clearGroup(group);
    setGroupMember(group, survivor, true);  // the lowest member: nothing below it went
    return GroupVerdict::done;
}

GroupVerdict deleteGroup(Model& model, VertexGroup& group, Selection& selection) {
    if (group.count == 0) return GroupVerdict::emptyGroup;
    removeVertices(model, group, selection);
    clearGroup(group);
    return GroupVerdict::done;
}

}  // namespace vx
