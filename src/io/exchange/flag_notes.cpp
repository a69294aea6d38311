// Writing and reading the flag notes of the plain exchange formats.
#include "io/exchange/flag_notes.h"

#include <charconv>

#include "io/exchange/face_colours.h"

namespace vx {
namespace {

constexpr std::string_view twoSidedNote = "vx two-sided";
constexpr std::string_view flagsNote = "vx flags";
constexpr std::string_view paletteNote = "vx palette";
constexpr std::string_view uncolouredNote = "vx uncoloured";

std::vector<uint32_t> numbersAfter(std::string_view text) {
    std::vector<uint32_t> numbers;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        while (at < end && (*at == ' ' || *at == '\t' || *at == '\r')) ++at;
        uint32_t value = 0;
        const auto [stop, failure] = std::from_chars(at, end, value);
        if (failure != std::errc() || stop == at) break;
        numbers.push_back(value);
        at = stop;
    }
    return numbers;
}

bool isNote(std::string_view comment, std::string_view note) {
    return comment.substr(0, note.size()) == note && comment.size() > note.size() && comment[note.size()] == ' ';
}

// What the file says without a note: the two-sided bit, and the colour by its first entry.
bool plainFlags(const ExportTables& tables, uint16_t flags) {
    const int32_t colour = colourOf(flags);
    return (flags & ~(colourMask | twoSidedFlag)) == 0 &&
           (colour == 0 || firstEntryOf(tables.palette, paletteColour(tables.palette, colour)) == colour);
}

std::string hexOf(uint32_t rgb) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int shift = 20; shift >= 0; shift -= 4) out += digits[(rgb >> shift) & 0xF];
    return out;
}

std::string paletteNoteOf(const ExportTables& tables, std::string_view prefix) {
    if (!ownPalette(tables)) return {};
    std::string out = std::string(prefix) + std::string(paletteNote);
    for (uint32_t rgb : tables.palette) out.append(" ").append(hexOf(rgb));
    return out + "\n";
}

bool takePalette(std::string_view text, Palette& palette) {
    Palette read{};
    std::size_t n = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == '\t' || text[at] == '\r') {
            ++at;
            continue;
        }
        uint32_t rgb = 0;
        const auto [stop, failure] = std::from_chars(text.data() + at, text.data() + text.size(), rgb, 16);
        if (failure != std::errc() || stop - (text.data() + at) != 6 || n == read.size()) return false;
        read[n++] = rgb;
        at = static_cast<std::size_t>(stop - text.data());
    }
    if (n != read.size()) return false;
    palette = read;
    return true;
}

}  // namespace

// Face numbers, twenty to a line.
class NumberList {
public:
    NumberList(std::string_view prefix, std::string_view note, std::string& out)
        : prefix_(prefix), note_(note), out_(out) {}
    void add(std::size_t face) {
        line_ += ' ';
        line_ += integerText(static_cast<int64_t>(face) + 1);
        if (++listed_ % perLine == 0) end();
    }
    void end() {
        if (!line_.empty()) out_.append(prefix_).append(note_).append(line_).append("\n");
        line_.clear();
    }

private:
    static constexpr std::size_t perLine = 20;
    std::string_view prefix_, note_;
    std::string& out_;
    std::string line_;
    std::size_t listed_ = 0;
};

std::string flagNotes(const ExportTables& tables, std::string_view prefix, bool listUncoloured) {
    std::string out = paletteNoteOf(tables, prefix);
    NumberList twoSided(prefix, twoSidedNote, out);
    for (std::size_t i = 0; i < tables.faces.size(); ++i) {
        const uint16_t flags = tables.faces[i].flags;
        if (!plainFlags(tables, flags))
            out.append(prefix)
                .append(flagsNote)
                .append(" ")
                .append(integerWords({static_cast<int64_t>(i) + 1, flags}))
                .append("\n");
        else if (flags & twoSidedFlag)
            twoSided.add(i);
    }
    twoSided.end();
    if (!listUncoloured || !anyColour(tables)) return out;
    NumberList uncoloured(prefix, uncolouredNote, out);
    for (std::size_t i = 0; i < tables.faces.size(); ++i)
        if (colourOf(tables.faces[i].flags) == 0) uncoloured.add(i);
    uncoloured.end();
    return out;
}

void applyFlagNote(std::string_view comment, ExchangeMesh& mesh) {
    std::vector<ExchangeFace>& faces = mesh.faces;
    if (isNote(comment, twoSidedNote)) {
        for (uint32_t face : numbersAfter(comment.substr(twoSidedNote.size())))
            if (face >= 1 && face <= faces.size()) faces[face - 1].flags |= twoSidedFlag;
    } else if (isNote(comment, uncolouredNote)) {
        for (uint32_t face : numbersAfter(comment.substr(uncolouredNote.size())))
            if (face >= 1 && face <= faces.size()) faces[face - 1].colour = noColour;
    } else if (isNote(comment, paletteNote)) {
        mesh.hasPalette = takePalette(comment.substr(paletteNote.size()), mesh.palette) || mesh.hasPalette;
    } else if (isNote(comment, flagsNote)) {
        const std::vector<uint32_t> pair = numbersAfter(comment.substr(flagsNote.size()));
        if (pair.size() == 2 && pair[0] >= 1 && pair[0] <= faces.size() && pair[1] <= 0xFFFF)
            faces[pair[0] - 1].flags = static_cast<uint16_t>(pair[1]);
    }
}

}  // namespace vx
