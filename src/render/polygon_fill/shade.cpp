// The shades of a filled polygon's samples: the flat shade, the per-sample shade, the polygon's
// colour, and the colours that settled values and keys give back.
//
// The rule (rules 5 and 6 in RULES.md): under the flat shade every sample of a polygon has the grey
// level g = floor(|248·facing|) + 7, black where that is not a number. The level is drawn in the
// polygon's tint (R, G, B) as (floor(g·R/255), floor(g·G/255), floor(g·B/255)): white, and so grey,
// for a polygon without colour, (255, 0, 0), and so red, when it is selected, else its palette entry.
// Under the per-sample shade, each sample's shade is the same formula of |N| / L, where N is the
// swept edges' direction at the sample (stepped along the span from the edge's difference) crossed
// with the span's direction, and L the direction's length times the span's length / 248, each
// rounded to single where it is stored. The literal definition is Renderer::shade and the shading
// lines of Renderer::fill in tests/support/reference_renderer.cpp.
//
// The speed-ups: a span's shades are worked out in one tight loop before its samples are drawn;
// the loop divides in singles eight at a time and falls back to the defined doubles wherever the
// grey level is not certain; the second build runs the loop with AVX2 where the processor has it;
// the edges' directions are shared by every span with the same sample count. Every shade of the
// pass is written in this file, so a change to how a filled polygon is shaded starts and ends here.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

// The colour grey levels take in a polygon of tint (R, G, B): (floor(g·R/255), floor(g·G/255),
// floor(g·B/255)). The speed-up: where every channel of the tint is 0 or 255, as for grey and for
// the selected polygon's red, the rule gives g or 0 per channel, a mask of (g, g, g).
struct Tint {
    uint32_t rgb;  // 0x00RRGGBB
    bool masks;    // every channel 0 or 255: bits 7..1 of each equal bits 6..0

    explicit Tint(uint32_t colour) : rgb(colour & 0xFFFFFF), masks((rgb >> 1 & 0x7F7F7F) == (rgb & 0x7F7F7F)) {}
    // floor(x / 255) for x = g·channel up to 255·255, with no division.
    static uint32_t per255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }
    uint32_t channel(int shift) const { return rgb >> shift & 0xFF; }

    uint32_t of(uint32_t g) const {
        if (masks) return g * 0x010101u & rgb;
        return per255(g * channel(16)) << 16 | per255(g * channel(8)) << 8 | per255(g * channel(0));
    }
    // Red and blue in one product: g·R and g·B each fit 16 bits, so their halves of g·(R, 0, B)
    // stay apart, and per255 works on both halves at once (each sum stays below 2^16).
    Lanes of(const Lanes& g) const {
        if (masks) return g * 0x010101 & static_cast<int32_t>(rgb);
        using Unsigned = uint32_t __attribute__((vector_size(16)));
        const Unsigned grey = __builtin_convertvector(g, Unsigned);
        const Unsigned redBlue = grey * (rgb & 0xFF00FFu), green = grey * channel(8);
        const Unsigned rb = (redBlue + 0x10001u + (redBlue >> 8 & 0xFF00FFu)) >> 8 & 0xFF00FFu;
        const Unsigned gg = (green + 1u + (green >> 8)) & 0xFF00u;
        return __builtin_convertvector(rb | gg, Lanes);
    }
};

// The level g = floor(magnitude) + 7 in the polygon's tint. A shade that is not a number (no
// normal, or a zero length product) is black.
uint32_t shadeColour(double magnitude, Tint tint) {
    if (!std::isfinite(magnitude)) return 0;
    // The magnitude is at most 248 up to rounding; the cap keeps g a colour channel. It is never
    // negative, so truncation is floor.
    const auto g = static_cast<uint32_t>(std::min(magnitude, 248.0)) + 7;
    return tint.of(g);
}

// The swept edges' direction (Eu, Ev, Ez) at each sample of a span, with its length, in view
// units: three arrays rather than one of triples, so that the loops over them are vectorised.
struct EdgeSamples {
    const double* eu;
    const double* ev;
    const double* length;  // sqrt(Eu² + Ev² + Ez²)
    // The same as singles: Eu and Ev are singles to begin with, the length rounded.
    const float* singleEu;
    const float* singleEv;
    const float* singleLength;
};

// What the per-sample shade of one span needs: the swept edges' direction at each sample against
// the span's direction (Su, Sv, Sz).
struct SampleShade {
    EdgeSamples edge;  // from the span's first sample
    double su, sv;
    double slen;  // |S| / 248, rounded to single
    Tint tint;
};

// The shades of a whole span worked out in one tight loop before its samples are drawn: every
// sample costs a division, and in a loop of few branches the divisions overlap. The result is
// shadeColour's: a length of zero or a quotient that is not finite gives black.
// For a polygon settled under keys the loop gives each sample's number and grey level together
// instead, as the lower bits of its key (SampleKeys::bitsOf); the colour comes back from the grey.
struct SpanShades {
    const uint32_t* next;
    Tint tint;
    bool keyed;  // next holds key bits rather than colours

    uint32_t colour() const { return keyed ? tint.of(*next & 0xFF) : *next; }
    const uint32_t* keyBits() const { return next; }
    void advance() { ++next; }
};

// The shade loop works on eight samples at a time, the last eight running past the span's end
// into the padding of the arrays (shadeBlocksOf), whose values are ignored.
uint32_t shadeBlocksOf(uint32_t m) { return (m + 7) / 8 * 8; }

// What the shade loop reads, as copies that the stores of its results cannot change.
struct ShadeInputs {
    EdgeSamples edge;
    double slen, su, sv;
    Tint tint;
};

// The key bits or colours of four samples from their grey levels.
template <bool keyed>
Lanes shadeValues(const Lanes& grey, const Lanes& numbers, Tint tint) {
    return keyed ? numbers << 8 | grey : tint.of(grey);
}

// Samples t..t+3 exactly as the shade is defined, in doubles. Vectors of 32 bytes are copied in
// rather than returned by a function: they pass differently with AVX and without it.
template <bool keyed>
[[gnu::always_inline]] inline void shadeFour(const ShadeInputs& in, uint32_t t, const Lanes& numbers, uint32_t* out) {
    DoubleLanes length, ev, eu;
    std::memcpy(&length, in.edge.length + t, sizeof length);
    std::memcpy(&ev, in.edge.ev + t, sizeof ev);
    std::memcpy(&eu, in.edge.eu + t, sizeof eu);
    const DoubleLanes len =
        __builtin_convertvector(__builtin_convertvector(length * in.slen, SingleLanes), DoubleLanes);
    const DoubleLanes quotient = (ev * in.su - eu * in.sv) / len;
    const DoubleLanes magnitude = quotient < 0.0 ? -quotient : quotient;
    // Capped at 248; a magnitude that is not finite gives -7, and so a grey of 0: black.
    const DoubleLanes capped = magnitude < 248.0 ? magnitude : 248.0;
    const DoubleLanes level = magnitude <= std::numeric_limits<double>::max() ? capped : -7.0;
    storeLanes(out + t, shadeValues<keyed>(__builtin_convertvector(level, Lanes) + 7, numbers, in.tint));
}

// Samples t..t+7 in singles throughout, where the grey levels are certain. The defined quotient
// is |N| / L: N = Ev·Su - Eu·Sv in doubles, L the single that Len·Slen rounds to. Here the two
// products, their difference, Len before its product, that product and the division each round
// to a single. N comes out within 2^-23·P of its value, P = |Ev·Su| + |Eu·Sv| being at most
// Len·|S|, which is 248·L up to rounding; L within 3·2^-24 of its size; the division adds 2^-24
// of its size. Up to the cap the quotient is therefore within 248·2^-23 + 4·2^-24·249, below
// 9·10^-5, of the defined one, so where its fraction is farther than 2^-12 from a whole number
// both have the same floor. False, with nothing written, where any is not certain (a quotient at
// or near a whole number, as a rectangle seen face-on gives at the cap, or one that is not
// finite); shadeFour then works them out in doubles.
template <bool keyed>
[[gnu::always_inline]] inline bool shadeEight(const ShadeInputs& in, uint32_t t, const Lanes& numbers, uint32_t* out) {
    using Singles8 = float __attribute__((vector_size(32)));
    using Ints8 = int32_t __attribute__((vector_size(32)));
    Singles8 eu, ev, length;
    std::memcpy(&eu, in.edge.singleEu + t, sizeof eu);
    std::memcpy(&ev, in.edge.singleEv + t, sizeof ev);
    std::memcpy(&length, in.edge.singleLength + t, sizeof length);
    const auto su = static_cast<float>(in.su), sv = static_cast<float>(in.sv), slen = static_cast<float>(in.slen);
    const Singles8 num = ev * su - eu * sv;
    const Singles8 len = length * slen;
    const Singles8 quotient = (num < 0.0f ? -num : num) / len;
    const Singles8 capped = quotient < 248.5f ? quotient : 248.5f;  // past 248 by more than the doubt
    const Ints8 floor = __builtin_convertvector(capped, Ints8);
    const Singles8 fraction = capped - __builtin_convertvector(floor, Singles8);
    constexpr float doubt = 0x1p-12f;
    const Ints8 certain =
        (quotient <= std::numeric_limits<float>::max()) & (fraction >= doubt) & (fraction <= 1.0f - doubt);
    const Lanes certain0 = __builtin_shufflevector(certain, certain, 0, 1, 2, 3);
    const Lanes certain1 = __builtin_shufflevector(certain, certain, 4, 5, 6, 7);
    if (!allLanes(certain0 & certain1)) return false;
    const Ints8 grey = floor + 7;
    storeLanes(out + t, shadeValues<keyed>(__builtin_shufflevector(grey, grey, 0, 1, 2, 3), numbers, in.tint));
    storeLanes(out + t + 4,
               shadeValues<keyed>(__builtin_shufflevector(grey, grey, 4, 5, 6, 7), numbers + 4, in.tint));
    return true;
}

template <bool keyed>
[[gnu::always_inline]] inline void shadeLoop(const SampleShade& shade, uint32_t m, uint32_t firstNumber,
                                             uint32_t* out) {
    const ShadeInputs in{shade.edge, shade.slen, shade.su, shade.sv, shade.tint};
    Lanes numbers = static_cast<int32_t>(firstNumber) + Lanes{0, 1, 2, 3};
    for (uint32_t t = 0; t < m; t += 8, numbers += 8) {
        if (shadeEight<keyed>(in, t, numbers, out)) continue;
        shadeFour<keyed>(in, t, numbers, out);
        shadeFour<keyed>(in, t + 4, numbers + 4, out);
    }
}

template <bool keyed>
void shadeSamples(const SampleShade& shade, uint32_t m, uint32_t firstNumber, uint32_t* out) {
    shadeLoop<keyed>(shade, m, firstNumber, out);
}

#ifdef VX_FILL_FOR_SSE42
// The same loop in AVX2's vectors of eight singles and four doubles, where the processor has them:
// the division of every sample is the pass's costliest instruction. AVX2 brings no fused
// multiply-add, so every sum and product rounds as before.
template <bool keyed>
[[gnu::target("avx2")]] void shadeSamplesAvx2(const SampleShade& shade, uint32_t m,
                                              uint32_t firstNumber, uint32_t* out) {
    shadeLoop<keyed>(shade, m, firstNumber, out);
}
const bool shadeWithAvx2 = __builtin_cpu_supports("avx2") != 0;
#endif

template <bool keyed>
void shadeSpan(const SampleShade& shade, uint32_t m, uint32_t firstNumber, uint32_t* out) {
#ifdef VX_FILL_FOR_SSE42
    if (shadeWithAvx2) return shadeSamplesAvx2<keyed>(shade, m, firstNumber, out);
#endif
    shadeSamples<keyed>(shade, m, firstNumber, out);
}

// `lane`: which of the buffers to use, so that the key bits of spans waiting to be walked stay.
SpanShades spanShades(const SampleShade& shade, uint32_t m, const SampleKeys* keys, int lane) {
    thread_local std::array<std::vector<uint32_t>, spanLanes> buffers;  // only grow, like the edge directions
    std::vector<uint32_t>& values = buffers[static_cast<std::size_t>(lane)];
    if (values.size() < shadeBlocksOf(m)) values.resize(shadeBlocksOf(m));
    if (keys)
        shadeSpan<true>(shade, m, static_cast<uint32_t>(keys->samples), values.data());
    else
        shadeSpan<false>(shade, m, 0, values.data());
    return {values.data(), shade.tint, keys != nullptr};
}

struct FlatShade {
    uint32_t flat;
    uint32_t colour() { return flat; }
    const uint32_t* keyBits() const { return nullptr; }  // flat colours are never settled under keys
    void advance() {}
};

// The edge trackers of the per-sample shade, set up once per polygon and stepped per sweep step.
struct ShadeEdges {
    float uP, vP, uQ, vQ;
    float sU1, sV1, sU2, sV2;
    float kU, kV;
    float dU1, dV1, dZ1, dZd;

    void advance() {
        uP += sU1;
        vP += sV1;
        uQ += sU2;
        vQ += sV2;
    }
};

float asSingle(int32_t v) { return static_cast<float>(v); }

ShadeEdges shadeEdgesOf(const Corners& k, double n) {
    const float uA = asSingle(k.a->viewX), vA = asSingle(k.a->viewY), zA = asSingle(k.a->depth);
    const float uB = asSingle(k.b->viewX), vB = asSingle(k.b->viewY), zB = asSingle(k.b->depth);
    const float uC = asSingle(k.c->viewX), vC = asSingle(k.c->viewY), zC = asSingle(k.c->depth);
    const float uD = asSingle(k.d->viewX), vD = asSingle(k.d->viewY), zD = asSingle(k.d->depth);
    const float dU1 = uB - uA, dV1 = vB - vA, dU2 = uD - uC, dV2 = vD - vC;
    const auto kU = static_cast<float>((static_cast<double>(dU2) - dU1) / n);
    const auto kV = static_cast<float>((static_cast<double>(dV2) - dV1) / n);
    const auto dZd = static_cast<float>((static_cast<double>(zD) - zC) - (static_cast<double>(zB) - zA));
    const auto count = static_cast<float>(n);
    return {uA, vA, uC, vC, dU1 / count, dV1 / count, dU2 / count, dV2 / count, kU, kV, dU1, dV1, zB - zA, dZd};
}

// Every span of a polygon starts the edge direction at (dU1, dV1, dZ1) and steps it by
// (kU, kV, dZd / m), so spans with the same sample count m share its values: they are worked out
// once per count, not once per span. The table lives as long as its thread and only grows (to at
// most 2·screenWidth samples), so frames allocate nothing once the longest span has been seen.
class EdgeDirections {
public:
    EdgeSamples forCount(const ShadeEdges& e, uint32_t m) {
        Table& table = samples();
        if (m == count) return table.view();
        const uint32_t padded = shadeBlocksOf(m);  // the shade loop reads up to here
        if (table.eu.size() < padded) {
            table.eu.resize(padded), table.ev.resize(padded), table.length.resize(padded);
            table.singleEu.resize(padded), table.singleEv.resize(padded), table.singleLength.resize(padded);
        }
        // The sums first, in order; the lengths after, in a loop of their own that is vectorised.
        const float kz = e.dZd / static_cast<float>(m);
        float eu = e.dU1, ev = e.dV1, ez = e.dZ1;
        double* const zs = table.length.data();  // Ez until the lengths replace it
        for (uint32_t t = 0; t < m; ++t) {
            table.eu[t] = eu, table.ev[t] = ev, zs[t] = ez;
            table.singleEu[t] = eu, table.singleEv[t] = ev;
            eu += e.kU;
            ev += e.kV;
            ez += kz;
        }
        const double* const us = table.eu.data();
        const double* const vs = table.ev.data();
        float* const singleLengths = table.singleLength.data();
        for (uint32_t t = 0; t < m; ++t) {
            zs[t] = std::sqrt(us[t] * us[t] + vs[t] * vs[t] + zs[t] * zs[t]);
            singleLengths[t] = static_cast<float>(zs[t]);
        }
        count = m;
        return table.view();
    }

private:
    struct Table {
        std::vector<double> eu, ev, length;
        std::vector<float> singleEu, singleEv, singleLength;
        EdgeSamples view() const {
            return {eu.data(), ev.data(), length.data(), singleEu.data(), singleEv.data(), singleLength.data()};
        }
    };
    uint32_t count = 0;  // the sample count the table holds; 0 when it belongs to another polygon
    static Table& samples() {
        thread_local Table table;
        return table;
    }
};

// The span direction is taken from the undivided span difference s.
SampleShade spanShadeOver(const ShadeEdges& e, const EdgeSamples& edge, const ScreenPoint& s, Tint tint) {
    const float su = e.uQ - e.uP, sv = e.vQ - e.vP, sz = s.depth;
    const double length =
        std::sqrt(static_cast<double>(su) * su + static_cast<double>(sv) * sv + static_cast<double>(sz) * sz);
    return {edge, su, sv, static_cast<float>(length / 248.0), tint};
}
SampleShade spanShade(const ShadeEdges& e, EdgeDirections& directions, const ScreenPoint& s, uint32_t m, Tint tint) {
    return spanShadeOver(e, directions.forCount(e, m), s, tint);
}

// The shade a span of one sample would give at its start, for a span without samples (PassedPoint).
// Its edge direction is the first of every span's, worked out here so that the table of the spans'
// directions stays as it is.
uint32_t passedShade(const ShadeEdges& e, const ScreenPoint& s, Tint tint, int lane) {
    std::array<double, 8> eu{}, ev{}, length{};  // one block of the shade loop
    std::array<float, 8> singleEu{}, singleEv{}, singleLength{};
    eu.fill(e.dU1), ev.fill(e.dV1), singleEu.fill(e.dU1), singleEv.fill(e.dV1);
    length.fill(std::sqrt(static_cast<double>(e.dU1) * e.dU1 + static_cast<double>(e.dV1) * e.dV1 +
                          static_cast<double>(e.dZ1) * e.dZ1));
    singleLength.fill(static_cast<float>(length[0]));
    const EdgeSamples edge{eu.data(), ev.data(), length.data(), singleEu.data(), singleEv.data(), singleLength.data()};
    return spanShades(spanShadeOver(e, edge, s, tint), 1, nullptr, lane).colour();
}

// The flat shade of a polygon, from its facing.
uint32_t flatColourOf(float facing, Tint tint) {
    return shadeColour(std::fabs(248.0 * static_cast<double>(facing)), tint);
}

// What a settled pixel writes under the flat shade: its depth, in the polygon's colour.
struct FlatValues {
    uint32_t colour;
    void of(const Lanes& settled, Lanes& depths, Lanes& colours) const {
        depths = settled;
        colours = static_cast<int32_t>(colour) + Lanes{};
    }
    void of(int32_t settled, int32_t& depth, uint32_t& shade) const {
        depth = settled;
        shade = colour;
    }
};

// The same from a key: its depth, and its grey level in the polygon's tint.
struct KeyValues {
    SampleKeys keys;
    Tint tint;

    void of(const Lanes& settled, Lanes& depths, Lanes& colours) const {
        const Lanes reached = settled != unsettled;
        depths = reached ? (settled >> keys.numberShift) + keys.nearest : settled;
        colours = tint.of(settled & 0xFF);
    }
    void of(int32_t settled, int32_t& depth, uint32_t& shade) const {
        depth = settled != unsettled ? keys.depthOf(settled) : settled;
        shade = tint.of(static_cast<uint32_t>(settled & 0xFF));
    }
};

}  // namespace
}  // namespace vx::VX_FILL_BUILD
