// The picture shown behind the model: the checks made before it is read, the reader of plain
// 24-bit BMP pictures with the block reader that hands out their bytes, and the placing of the rest.
#include "io/picture/background_image.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "io/byte_order.h"
#include "io/picture/bmp_decoder.h"
#include "platform/console/display.h"
#include "platform/console/files.h"
#include "platform/console/text.h"

namespace vx {
namespace {

static_assert(sizeof(Background::readBuffer) == readBlockBytes);

// File positions count from 1: these reach offsets 18, 22 and 53.
constexpr int64_t widthPosition = 19;
constexpr int64_t heightPosition = 23;
constexpr int64_t lastHeaderBytePosition = 54;

int32_t readInt32(int32_t number, int64_t position) {
    std::array<uint8_t, 4> bytes{};
    getBytes(number, position, bytes.data(), bytes.size());
    return getLe32Signed(bytes.data());
}

// A missing file, one that cannot be opened and one shorter than two bytes all fail here.
bool hasSignature(int32_t number) {
    std::array<uint8_t, 2> signature{};
    getBytes(number, 1, signature.data(), signature.size());
    return signature[0] == 'B' && signature[1] == 'M';
}

// Rows are padded to a multiple of 4 bytes. The product may wrap, which keeps it right mod 4.
uint32_t rowPadding(int32_t width) { return (4u - (3u * static_cast<uint32_t>(width)) % 4u) % 4u; }

// The first row in the file is the bottom row. Pixels off the screen are read and dropped.
// Reading stops where the file ends: every later pixel would be 0, which BackgroundImage
// already holds, so a header claiming far more pixels than the file has costs nothing.
void decodePixels(ScreenBuffers& screen, const Background& background, BufferedByteReader& reader) {
    const int32_t width = background.backgroundWidth;
    const uint32_t padding = rowPadding(width);
    for (int32_t y = background.backgroundHeight - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            if (reader.exhausted()) return;
            const uint32_t blue = reader.nextByte();
            const uint32_t green = reader.nextByte();
            const uint32_t red = reader.nextByte();
            if (x < screen.screenWidth && y < screen.screenHeight) {
                screen.backgroundImage[pixelIndex(screen, x, y)] = blue | (green << 8) | (red << 16);
            }
        }
        for (uint32_t i = 0; i < padding; ++i) reader.nextByte();
    }
}

}  // namespace

BufferedByteReader::BufferedByteReader(Background& background, int32_t fileNumber)
    : background_(background), fileNumber_(fileNumber) {
    background_.readIndex = 0;
}

void BufferedByteReader::fillBlock() {
    validBytes_ = static_cast<int32_t>(getBlock(fileNumber_, 0, background_.readBuffer));
    atEnd_ = validBytes_ < blockBytes;
}

namespace {

// Today's reader of plain BMP pictures; pixel rows at offset 54, bottom row first.
bool readPlainBmp(EditorState& state, const std::string& imagePath) {
    const int32_t number = freeFileNumber();
    openFileForReading(imagePath, number);
    if (fileError() != fileOk || !hasSignature(number)) {
        closeFile(number);
        return false;
    }
    Background& background = state.background;
    background.backgroundWidth = readInt32(number, widthPosition);
    background.backgroundHeight = readInt32(number, heightPosition);
    // A one-byte read leaves the position at offset 54, where the pixel rows start.
    uint8_t lastHeaderByte = 0;
    getBytes(number, lastHeaderBytePosition, &lastHeaderByte, 1);
    background.hasBackground = 1;
    BufferedByteReader reader(background, number);
    if (background.backgroundWidth >= 1 && background.backgroundHeight >= 1) {
        decodePixels(state.screen, background, reader);
    }
    closeFile(number);
    return true;
}

constexpr std::size_t bmpHeaderBytes = bmpChoiceBytes;
using BmpHeader = std::array<uint8_t, bmpHeaderBytes>;

// The layout the plain reader was written for: a 40-byte information header, 24 bits a pixel,
// no compression, rows from the bottom up. Any other BMP goes to the decoder.
bool isPlainBmp(const BmpHeader& header) {
    return header[0] == 'B' && header[1] == 'M' && getLe32(&header[10]) == bmpHeaderBytes &&
           getLe32(&header[14]) == 40 && getLe16(&header[28]) == 24 && getLe32(&header[30]) == 0 &&
           getLe32Signed(&header[22]) >= 0;
}

uint64_t magnitude(int32_t value) {
    const int64_t wide = value;
    return static_cast<uint64_t>(wide < 0 ? -wide : wide);
}

// A pixel takes 4 bytes as 0x00RRGGBB, or more while the decoder holds wide samples.
PictureVerdict checkSize(int32_t width, int32_t height, int32_t bytesPerPixel = 4) {
    const uint64_t w = magnitude(width), h = magnitude(height);
    const uint64_t pixelBytes = static_cast<uint64_t>(std::max(bytesPerPixel, 4));
    if (w <= maxPictureSide && h <= maxPictureSide && w * h * pixelBytes <= maxPictureBytes) return {};
    return {PictureProblem::tooLarge, std::to_string(width) + " x " + std::to_string(height)};
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Tells a missing file from one the system will not read; reads the first bytes for the sort.
PictureVerdict readHeader(const std::string& path, BmpHeader& header) {
    errno = 0;
    // Opening a pipe would wait for a writer: only a regular file is opened at all.
    if (const std::string problem = regularFileProblem(path); fileExists(path) && !problem.empty())
        return {PictureProblem::unreadable, problem};
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (errno == ENOENT) return {PictureProblem::missing, ""};
        return {PictureProblem::unreadable, std::strerror(errno)};
    }
    header.fill(0);
    const std::size_t got = std::fread(header.data(), 1, header.size(), file.get());
    if (got < header.size() && std::ferror(file.get())) return {PictureProblem::unreadable, std::strerror(errno)};
    return {};
}

// The first bytes of the formats the decoder reads. A file that starts like one of them but whose
// header the decoder refuses (a BMP compressed in a way it does not read, a cut PNG) is damaged
// rather than no picture at all.
bool startsLikeAPicture(const BmpHeader& start) {
    const bool bmp = start[0] == 'B' && start[1] == 'M';
    const bool png = start[0] == 0x89 && start[1] == 'P' && start[2] == 'N' && start[3] == 'G';
    const bool jpeg = start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF;
    return bmp || png || jpeg;
}

PictureVerdict decodeOther(const std::string& path, const BmpHeader& start, DecodedPicture& decoded) {
    PictureHeader header{};
    std::string failure;
    if (!readPictureHeader(path, header, failure)) {
        // The decoder refuses a PNG of more than 2^30 bytes from its header alone, in words that
        // say nothing of size: such a picture is too large, not damaged. Its size stands
        // big-endian after the signature.
        const bool png = start[0] == 0x89 && start[1] == 'P';
        const auto be32 = [&](std::size_t at) {
            return static_cast<int32_t>(std::min<uint32_t>(
                uint32_t{start[at]} << 24 | uint32_t{start[at + 1]} << 16 | uint32_t{start[at + 2]} << 8 | start[at + 3],
                INT32_MAX));
        };
        if (png) {
            const PictureVerdict size = checkSize(be32(16), be32(20));
            if (!size.ok()) return size;
        }
        if (startsLikeAPicture(start)) return {PictureProblem::damaged, failure};
        return {PictureProblem::notAPicture, ""};
    }
    PictureVerdict verdict = checkSize(header.width, header.height, header.bytesPerPixel);
    if (!verdict.ok()) return verdict;
    if (!decodePicture(path, decoded, failure)) return {PictureProblem::damaged, failure};
    return {};
}

// The BMP layouts the decoder refuses or misreads are read by the editor itself.
PictureVerdict decodeOwn(const std::string& path, const BmpHeader& header, DecodedPicture& decoded) {
    int32_t width = 0, height = 0;
    ownBmpSize(header.data(), width, height);
    PictureVerdict verdict = checkSize(width, height);
    if (!verdict.ok()) return verdict;
    std::string failure;
    if (!decodeOwnBmp(path, decoded, failure)) return {PictureProblem::damaged, failure};
    return {};
}

}  // namespace

PictureVerdict preparePicture(const std::string& path, PreparedPicture& picture) {
    picture = PreparedPicture{};
    picture.path = path;
    BmpHeader header{};
    PictureVerdict verdict = readHeader(path, header);
    if (!verdict.ok()) return verdict;
    if (isPlainBmp(header)) {
        picture.plainBmp = true;
        return checkSize(getLe32Signed(&header[18]), getLe32Signed(&header[22]));
    }
    if (isOwnBmp(header.data())) return decodeOwn(path, header, picture.decoded);
    return decodeOther(path, header, picture.decoded);
}

// Decoded pictures land where the plain reader puts its pixels.
void showPicture(EditorState& state, const PreparedPicture& picture) {
    if (picture.plainBmp) {
        readPlainBmp(state, picture.path);
        return;
    }
    const DecodedPicture& decoded = picture.decoded;
    Background& background = state.background;
    ScreenBuffers& screen = state.screen;
    background.backgroundWidth = decoded.width;
    background.backgroundHeight = decoded.height;
    background.hasBackground = 1;
    const int32_t shownWidth = std::min(decoded.width, screen.screenWidth);
    const int32_t shownHeight = std::min(decoded.height, screen.screenHeight);
    for (int32_t y = 0; y < shownHeight; ++y) {
        const auto row = decoded.pixels.begin() + static_cast<std::ptrdiff_t>(y) * decoded.width;
        std::copy(row, row + shownWidth,
                  screen.backgroundImage.begin() + static_cast<std::ptrdiff_t>(pixelIndex(screen, 0, y)));
    }
}

bool readBackgroundImage(EditorState& state, const std::string& imagePath) {
    PreparedPicture picture;
    if (!preparePicture(imagePath, picture).ok()) return false;
    showPicture(state, picture);
    return true;
}

std::string describePictureProblem(const PictureVerdict& verdict) {
    switch (verdict.problem) {
        case PictureProblem::none:
            return "a picture";
        case PictureProblem::missing:
            return "no such file";
        case PictureProblem::unreadable:
            return "cannot be read (" + verdict.detail + ")";
        case PictureProblem::notAPicture:
            return "infile is not a 'BM': neither a PNG, JPEG or BMP picture nor a model";
        case PictureProblem::damaged:
            return "a damaged picture (" + verdict.detail + ")";
        case PictureProblem::tooLarge:
            return "too large at " + verdict.detail + " pixels (at most 16384 on a side and 256 MiB)";
    }
    return {};
}

}  // namespace vx
