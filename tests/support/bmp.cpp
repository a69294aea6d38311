// A small reader and writer of uncompressed 24-bit BMP pictures, for making and checking test pictures.
#include "support/bmp.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vx::test {
namespace {

constexpr std::size_t headerSize = 54;

void putLittle(std::vector<uint8_t>& out, std::size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLittle(const std::vector<uint8_t>& in, std::size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(in[at + static_cast<std::size_t>(i)]) << (8 * i);
    return value;
}

std::size_t rowBytes(int32_t width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

}  // namespace

std::vector<uint8_t> encodeBmp(const Picture& picture, bool topDown) {
    const std::size_t stride = rowBytes(picture.width);
    const std::size_t size = headerSize + stride * static_cast<std::size_t>(picture.height);
    std::vector<uint8_t> out(size, 0);
    out[0] = 'B';
    out[1] = 'M';
    putLittle(out, 2, static_cast<uint32_t>(size), 4);
    putLittle(out, 10, headerSize, 4);
    putLittle(out, 14, 40, 4);
    putLittle(out, 18, static_cast<uint32_t>(picture.width), 4);
    putLittle(out, 22, static_cast<uint32_t>(topDown ? -picture.height : picture.height), 4);
    putLittle(out, 26, 1, 2);
    putLittle(out, 28, 24, 2);
    putLittle(out, 34, static_cast<uint32_t>(stride * static_cast<std::size_t>(picture.height)), 4);
    for (int32_t y = 0; y < picture.height; ++y) {
        const int32_t fileRow = topDown ? y : picture.height - 1 - y;
        const std::size_t row = headerSize + stride * static_cast<std::size_t>(fileRow);
        for (int32_t x = 0; x < picture.width; ++x)
            putLittle(out, row + 3 * static_cast<std::size_t>(x), picture.at(x, y), 3);
    }
    return out;
}

std::optional<Picture> decodeBmp(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < headerSize || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    if (getLittle(bytes, 28, 2) != 24 || getLittle(bytes, 30, 4) != 0) return std::nullopt;
    const auto width = static_cast<int32_t>(getLittle(bytes, 18, 4));
    const auto signedHeight = static_cast<int32_t>(getLittle(bytes, 22, 4));
    if (width <= 0 || width > 1 << 16 || signedHeight == 0 || std::abs(signedHeight) > 1 << 16) return std::nullopt;
    const int32_t height = std::abs(signedHeight);
    const std::size_t offset = getLittle(bytes, 10, 4), stride = rowBytes(width);
    if (offset > bytes.size() || (bytes.size() - offset) / stride < static_cast<std::size_t>(height))
        return std::nullopt;
    Picture picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t fileRow = signedHeight < 0 ? y : height - 1 - y;
        const std::size_t row = offset + stride * static_cast<std::size_t>(fileRow);
        for (int32_t x = 0; x < width; ++x)
            picture.at(x, y) = getLittle(bytes, row + 3 * static_cast<std::size_t>(x), 3);
    }
    return picture;
}

bool writeBmp(const std::string& path, const Picture& picture, bool topDown) {
    const std::vector<uint8_t> bytes = encodeBmp(picture, topDown);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::optional<Picture> readBmp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return decodeBmp(bytes);
}

}  // namespace vx::test
