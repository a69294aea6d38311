// The 24-bit BMP encoder: the picture format the editor itself reads behind its models.
#include "io/byte_order.h"
#include "io/picture/picture_writer.h"

namespace vx {

// Rows are stored bottom up, blue green red, each padded to a multiple of four bytes.
std::string encodeBmp(const uint32_t* pixels, int32_t width, int32_t height) {
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    std::string out = "BM";
    appendLe32(out, 54 + imageBytes);
    appendLe32(out, 0);
    appendLe32(out, 54);
    appendLe32(out, 40);
    appendLe32(out, static_cast<uint32_t>(width));
    appendLe32(out, static_cast<uint32_t>(height));
    appendLe16(out, 1);
    appendLe16(out, 24);
    for (uint32_t field : {0u, imageBytes, 2835u, 2835u, 0u, 0u}) appendLe32(out, field);
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int32_t x = 0; x < width; ++x) {
            out += static_cast<char>(row[x] & 0xFF);
            out += static_cast<char>((row[x] >> 8) & 0xFF);
            out += static_cast<char>((row[x] >> 16) & 0xFF);
        }
        out.append(rowBytes - static_cast<uint32_t>(width) * 3, '\0');
    }
    return out;
}

}  // namespace vx
