// The model file: encoding and decoding its fields, and the save and load operations.
#include "io/model/model_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "core/numeric.h"
#include "io/byte_order.h"
#include "platform/console/files.h"

namespace vx {
namespace {

constexpr double normalScale = 8191.0;

struct Counts {
    std::size_t vertices, polygons, lines;
};

// Where each column of records starts, counted from the first byte after the header.
struct Layout {
    std::size_t normals, slots, flags, lines, end;
};

Layout layoutOf(const Counts& counts) {
    Layout layout{};
    layout.normals = 12 * counts.vertices;
    layout.slots = layout.normals + 12 * counts.polygons;
    layout.flags = layout.slots + 8 * counts.polygons;
    layout.lines = layout.flags + 2 * counts.polygons;
    layout.end = layout.lines + 4 * counts.lines;
    return layout;
}

// The editor keeps its counts within the tables; a count that somehow is not still never
// makes the save read past a table.
std::size_t tableCount(int32_t count, int32_t capacity) {
    if (count < 0) return 0;
    return static_cast<std::size_t>(count < capacity ? count : capacity);
}

Counts countsOf(const Model& model) {
    return {tableCount(model.vertexCount, maxVertices), tableCount(model.polygonCount, maxPolygons),
            tableCount(model.lineCount, maxLines)};
}

// The reserved bytes repeat the low byte of the line count.
void encodeHeader(const EditorState& state, const Counts& counts, uint8_t* out) {
    std::memcpy(out, state.modelMagic.data(), 4);
    putBe16(out + 4, static_cast<uint16_t>(counts.vertices));
    putBe16(out + 6, static_cast<uint16_t>(counts.polygons));
    putBe16(out + 8, static_cast<uint16_t>(counts.lines));
    out[10] = static_cast<uint8_t>(counts.lines & 0xFFu);
    out[11] = out[10];
}

// The product needs more precision than a single offers; NaN becomes -2147483648.
uint32_t storedNormal(float component) {
    return static_cast<uint32_t>(floorToInt32(static_cast<double>(component) * normalScale));
}

void encodePolygons(const EditorState& state, std::size_t count, const Layout& layout, uint8_t* body) {
    for (std::size_t i = 0; i < count; ++i) {
        const Normal& normal = state.polygonNormals[i];
        uint8_t* n = body + layout.normals + 12 * i;
        putLe32(n, storedNormal(normal.x));
        putLe32(n + 4, storedNormal(normal.y));
        putLe32(n + 8, storedNormal(normal.z));
        const Polygon& polygon = state.model.polygons[i];
        for (std::size_t slot = 0; slot < 4; ++slot)
            putLe16(body + layout.slots + 8 * i + 2 * slot, polygon.slots[slot]);
        putLe16(body + layout.flags + 2 * i, polygon.flags);
    }
}

constexpr std::array<uint8_t, 4> paletteSignature = {'V', 'X', 'P', 'L'};

// Nothing when the palette is the built-in one: such a model is saved as before palettes were.
std::size_t encodePalette(const Palette& palette, uint8_t* out) {
    if (palette == builtinPalette) return 0;
    std::memcpy(out, paletteSignature.data(), paletteSignature.size());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        out[4 + 3 * i] = static_cast<uint8_t>(palette[i] >> 16);
        out[5 + 3 * i] = static_cast<uint8_t>(palette[i] >> 8);
        out[6 + 3 * i] = static_cast<uint8_t>(palette[i]);
    }
    return paletteTrailerBytes;
}

Palette decodePalette(const uint8_t* in) {
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint32_t>(in[4 + 3 * i]) << 16 | static_cast<uint32_t>(in[5 + 3 * i]) << 8 | in[6 + 3 * i];
    return palette;
}

std::size_t encodeModel(const EditorState& state, uint8_t* out) {
    const Counts counts = countsOf(state.model);
    const Layout layout = layoutOf(counts);
    encodeHeader(state, counts, out);
    uint8_t* body = out + modelHeaderBytes;
    for (std::size_t i = 0; i < counts.vertices; ++i) {
        const Vertex& v = state.model.vertices[i];
        putLe32(body + 12 * i, static_cast<uint32_t>(v.x));
        putLe32(body + 12 * i + 4, static_cast<uint32_t>(v.y));
        putLe32(body + 12 * i + 8, static_cast<uint32_t>(v.z));
    }
    encodePolygons(state, counts.polygons, layout, body);
    for (std::size_t i = 0; i < counts.lines; ++i) {
        putLe16(body + layout.lines + 4 * i, state.model.lines[i].a);
        putLe16(body + layout.lines + 4 * i + 2, state.model.lines[i].b);
    }
    return modelHeaderBytes + layout.end + encodePalette(state.model.palette, body + layout.end);
}

// What follows the records, read from where they end: a palette when it is exactly the trailer,
// else the count of other bytes, read to the end only to count them.
struct Tail {
    std::optional<Palette> palette;
    std::size_t otherBytes = 0;
};
Tail readTail(int32_t number) {
    std::array<uint8_t, paletteTrailerBytes + 1> bytes{};
    std::size_t got = getBytes(number, 0, bytes.data(), bytes.size());
    if (fileError() != fileOk) return {};
    if (got == paletteTrailerBytes && std::equal(paletteSignature.begin(), paletteSignature.end(), bytes.begin()))
        return {decodePalette(bytes.data()), 0};
    Tail tail{std::nullopt, got};
    while (got == bytes.size() && fileError() == fileOk) {
        got = getBytes(number, 0, bytes.data(), bytes.size());
        tail.otherBytes += got;
    }
    return tail;
}

// Only entries 0..count-1 are written: entries above the new counts keep their old contents.
void decodeBody(const uint8_t* body, const Counts& counts, Model& model) {
    const Layout layout = layoutOf(counts);
    for (std::size_t i = 0; i < counts.vertices; ++i) {
        const uint8_t* v = body + 12 * i;
        model.vertices[i] = {getLe32Signed(v), getLe32Signed(v + 4), getLe32Signed(v + 8)};
    }
    for (std::size_t i = 0; i < counts.polygons; ++i) {
        Polygon& polygon = model.polygons[i];
        for (std::size_t slot = 0; slot < 4; ++slot)
            polygon.slots[slot] = getLe16(body + layout.slots + 8 * i + 2 * slot);
        polygon.flags = getLe16(body + layout.flags + 2 * i);
    }
    for (std::size_t i = 0; i < counts.lines; ++i) {
        model.lines[i] = {getLe16(body + layout.lines + 4 * i), getLe16(body + layout.lines + 4 * i + 2)};
    }
    model.vertexCount = static_cast<int32_t>(counts.vertices);
    model.polygonCount = static_cast<int32_t>(counts.polygons);
    model.lineCount = static_cast<int32_t>(counts.lines);
}

// Reads and checks the header and, if it is acceptable, the whole body. Nothing left over
// from an earlier file can count as this one's: every field starts at zero. The signature alone
// is a whole empty model; a file that stops inside the counts, or before the records they
// promise, ends early.
LoadVerdict readModelFile(const EditorState& state, int32_t number, Counts& counts, uint8_t* body, Tail& tail) {
    std::array<char, 5> magic{};
    getFixedText(number, 1, magic);
    if (fileError() != fileOk || !fixedTextEquals(magic, state.modelMagic)) return LoadVerdict::invalidFile;
    std::array<uint8_t, modelHeaderBytes - 4> header{};
    const std::size_t headerGot = getBytes(number, 0, header.data(), header.size());
    if (fileError() != fileOk) return LoadVerdict::invalidFile;
    counts = {getBe16(header.data()), getBe16(header.data() + 2), getBe16(header.data() + 4)};
    if (counts.vertices > maxVertices || counts.polygons > maxPolygons || counts.lines > maxLines)
        return LoadVerdict::invalidFile;
    const std::size_t bodyBytes = layoutOf(counts).end;
    const std::size_t bodyGot = getBytes(number, 0, body, bodyBytes);
    if (fileError() != fileOk) return LoadVerdict::invalidFile;
    constexpr std::size_t countBytes = 6;
    const bool countsCut = headerGot > 0 && headerGot < countBytes;
    if (countsCut || bodyGot < bodyBytes) return LoadVerdict::endsEarly;
    tail = readTail(number);
    return LoadVerdict::loaded;
}

// What a save may do to the file already there: replace a model file or an empty one, write
// where nothing is, refuse anything else. A file that exists but cannot be read is refused too.
SaveVerdict mayReplace(const EditorState& state, const std::string& fileName) {
    if (fileName.empty() || !fileExists(fileName)) return SaveVerdict::saved;
    const int32_t number = freeFileNumber();
    if (number == 0) return SaveVerdict::failed;
    openFileForReading(fileName, number);
    if (fileError() != fileOk) return SaveVerdict::failed;
    std::array<char, 5> magic{};
    const std::size_t got = getBytes(number, 1, magic.data(), 4);
    const bool readable = fileError() == fileOk;
    closeFile(number);
    if (!readable) return SaveVerdict::saved;  // a folder or the like: the save itself fails
    if (got == 0 || (got == 4 && fixedTextEquals(magic, state.modelMagic))) return SaveVerdict::saved;
    return SaveVerdict::notAModelFile;
}

}  // namespace

SaveVerdict saveModelFile(const EditorState& state, const std::string& fileName, SaveKind kind) {
    const SaveVerdict allowed = kind == SaveKind::privateCopy ? SaveVerdict::saved : mayReplace(state, fileName);
    if (allowed != SaveVerdict::saved) return allowed;
    std::array<uint8_t, maxModelFileBytes + paletteTrailerBytes> bytes;  // written in full up to the returned size
    const std::size_t size = encodeModel(state, bytes.data());
    const int32_t number = freeFileNumber();
    if (number == 0) return SaveVerdict::failed;
    if (kind == SaveKind::privateCopy) {
        openPrivateFileForSaving(fileName, number);
    } else {
        openFileForSaving(fileName, number);
    }
    if (fileError() != fileOk) return SaveVerdict::failed;
    putBytes(number, 1, bytes.data(), size);
    return commitSave(number) ? SaveVerdict::saved : SaveVerdict::failed;
}

bool saveModel(const EditorState& state, const std::string& fileName) {
    return saveModelFile(state, fileName) == SaveVerdict::saved;
}

LoadVerdict loadModel(EditorState& state, const std::string& fileName) {
    const int32_t number = freeFileNumber();
    if (number == 0) return LoadVerdict::invalidFile;
    openFileForReading(fileName, number);
    if (fileError() != fileOk) return LoadVerdict::invalidFile;
    Counts counts{};
    std::array<uint8_t, maxModelFileBytes - modelHeaderBytes> body;  // filled up to the counts
    Tail tail;
    const LoadVerdict verdict = readModelFile(state, number, counts, body.data(), tail);
    closeFile(number);
    if (verdict == LoadVerdict::invalidFile) return verdict;
    decodeBody(body.data(), counts, state.model);
    state.model.palette = tail.palette.value_or(builtinPalette);
    state.redrawPending = 1;
    return verdict;
}

ModelFileTail modelFileTail(const EditorState& state, const std::string& fileName) {
    const int32_t number = freeFileNumber();
    if (number == 0) return {};
    openFileForReading(fileName, number);
    if (fileError() != fileOk) return {};
    Counts counts{};
    std::array<uint8_t, maxModelFileBytes - modelHeaderBytes> body;
    Tail tail;
    const LoadVerdict verdict = readModelFile(state, number, counts, body.data(), tail);
    closeFile(number);
    if (verdict != LoadVerdict::loaded) return {};
    return {tail.palette.has_value(), tail.otherBytes};
}

bool startsWithModelSignature(const std::string& fileName) {
    const int32_t number = freeFileNumber();
    if (number == 0) return false;
    openFileForReading(fileName, number);
    if (fileError() != fileOk) return false;
    std::array<uint8_t, 4> signature{};
    getBytes(number, 1, signature.data(), signature.size());
    closeFile(number);
    return signature == std::array<uint8_t, 4>{'V', 'T', 'X', 'F'};
}

}  // namespace vx
