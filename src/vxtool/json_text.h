// JSON text for the commands that print one document for scripts.
#pragma once

#include <string>

namespace vx::tool {

// A JSON string literal: quotes, backslashes and control characters escaped; other bytes,
// UTF-8 included, pass through as they are.
inline std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace vx::tool
