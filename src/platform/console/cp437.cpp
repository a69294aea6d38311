// Code page 437: the character set of the editor's keys and font.
#include "platform/console/cp437.h"

namespace vx {
namespace {

// Unicode of codes 128-255.
constexpr char16_t upperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

}  // namespace

int32_t cp437FromUnicode(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<int32_t>(codePoint);
    for (int32_t i = 0; i < 128; ++i) {
        if (upperHalf[i] == codePoint) return 128 + i;
    }
    return -1;
}

std::string utf8FromCp437(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            out += c;
            continue;
        }
        const char16_t u = upperHalf[code - 128];
        if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    return out;
}

std::string cp437FromUtf8(std::string_view text) {
    std::string out;
    std::size_t position = 0;
    char32_t codePoint = 0;
    while (nextCodePoint(text, position, codePoint)) {
        const int32_t code = cp437FromUnicode(codePoint);
        out += code < 0 ? '?' : static_cast<char>(code);
    }
    return out;
}

bool nextCodePoint(std::string_view text, std::size_t& position, char32_t& codePoint) {
    if (position >= text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[position++]);
    int extra = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        codePoint = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        codePoint = lead & 0x0F;
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        codePoint = lead & 0x07;
        extra = 3;
    } else {
        codePoint = 0xFFFD;
        return true;
    }
    for (; extra > 0; --extra) {
        if (position >= text.size() || (static_cast<unsigned char>(text[position]) & 0xC0) != 0x80) {
            codePoint = 0xFFFD;
            return true;
        }
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[position++]) & 0x3F);
    }
    return true;
}

}  // namespace vx
