// Writing and reading the flag notes of the plain exchange formats.
#include "io/exchange/flag_notes.h"

#include <charconv>

namespace vx {
namespace {

constexpr std::string_view twoSidedNote = "vx two-sided";
constexpr std::string_view flagsNote = "vx flags";

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

}  // namespace

std::string flagNotes(const ExportTables& tables, std::string_view prefix) {
    constexpr std::size_t perLine = 20;
    std::string out, line;
    std::size_t listed = 0;
    const auto endLine = [&] {
        out.append(prefix).append(twoSidedNote).append(line).append("\n");
        line.clear();
    };
    for (std::size_t i = 0; i < tables.faces.size(); ++i) {
        const uint16_t flags = tables.faces[i].flags;
        if (flags != 0 && flags != twoSidedFlag)
            out.append(prefix)
                .append(flagsNote)
                .append(" ")
                .append(integerWords({static_cast<int64_t>(i) + 1, flags}))
                .append("\n");
        if (flags != twoSidedFlag) continue;
        line += ' ';
        line += integerText(static_cast<int64_t>(i) + 1);
        if (++listed % perLine == 0) endLine();
    }
    if (!line.empty()) endLine();
    return out;
}

void applyFlagNote(std::string_view comment, std::vector<ExchangeFace>& faces) {
    if (isNote(comment, twoSidedNote)) {
        for (uint32_t face : numbersAfter(comment.substr(twoSidedNote.size())))
            if (face >= 1 && face <= faces.size()) faces[face - 1].flags = twoSidedFlag;
    } else if (isNote(comment, flagsNote)) {
        const std::vector<uint32_t> pair = numbersAfter(comment.substr(flagsNote.size()));
        if (pair.size() == 2 && pair[0] >= 1 && pair[0] <= faces.size() && pair[1] <= 0xFFFF)
            faces[pair[0] - 1].flags = static_cast<uint16_t>(pair[1]);
    }
}

}  // namespace vx
