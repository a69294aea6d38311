// BMP layouts the editor reads itself: run-length compressed 4- and 8-bit pictures with their
// delta and end-of-line codes, 16-bit pictures through their channel masks, and 24-bit pictures
// whose pixels start after a colour table. Read field by field; missing bytes read as 0.
#include "io/picture/bmp_decoder.h"

#include <array>
#include <bit>
#include <cstdio>
#include <memory>

#include "io/byte_order.h"

namespace vx {
namespace {

constexpr uint32_t noCompression = 0, rle8 = 1, rle4 = 2, channelMasks = 3;
constexpr std::size_t fileHeaderBytes = 14;
constexpr std::size_t masksOffset = 54;  // after a 40-byte header, or inside a longer one

struct BmpLayout {
    uint32_t pixelOffset;
    uint32_t infoBytes;
    int32_t width;
    int32_t height;  // negative: rows stored top row first
    uint16_t bits;
    uint32_t compression;
    uint32_t coloursUsed;  // 0: as many as the depth allows
};

BmpLayout layoutOf(const uint8_t* header) {
    return {getLe32(header + 10), getLe32(header + 14), getLe32Signed(header + 18), getLe32Signed(header + 22),
            getLe16(header + 28), getLe32(header + 30), getLe32(header + 46)};
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The file's bytes from a position on, a block at a time; past the end every byte is 0.
class ByteStream {
public:
    explicit ByteStream(std::FILE* file) : file_(file) {}

    void seek(uint32_t offset) {
        std::fseek(file_, static_cast<long>(offset), SEEK_SET);
        at_ = size_ = 0;
        ended_ = false;
    }
    uint8_t next() {
        if (at_ == size_) refill();
        return at_ < size_ ? block_[at_++] : 0;
    }
    void skip(uint64_t count) {
        for (uint64_t i = 0; i < count && !ended(); ++i) next();
    }
    bool ended() const { return ended_ && at_ == size_; }

private:
    void refill() {
        at_ = 0;
        size_ = ended_ ? 0 : std::fread(block_.data(), 1, block_.size(), file_);
        if (size_ < block_.size()) ended_ = true;
    }
    std::FILE* file_;
    std::array<uint8_t, 8192> block_{};
    std::size_t at_ = 0, size_ = 0;
    bool ended_ = false;
};

// Entries the depth cannot name, and those the file lacks, are black.
using Palette = std::array<uint32_t, 256>;

Palette readPalette(ByteStream& in, const BmpLayout& layout) {
    Palette palette{};
    const uint32_t most = 1u << layout.bits;
    const uint32_t count = layout.coloursUsed == 0 || layout.coloursUsed > most ? most : layout.coloursUsed;
    in.seek(static_cast<uint32_t>(fileHeaderBytes) + layout.infoBytes);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t blue = in.next(), green = in.next(), red = in.next();
        in.next();  // reserved
        palette[i] = blue | green << 8 | red << 16;
    }
    return palette;
}

// One channel of a 16-bit pixel scaled to 0-255 by its mask.
struct Channel {
    uint32_t mask;
    int shift;
    uint32_t most;  // the largest value the mask holds
};

Channel channelOf(uint32_t mask) {
    if (mask == 0) return {0, 0, 0};
    const int shift = std::countr_zero(mask);
    return {mask, shift, mask >> shift};
}

uint32_t scaled(const Channel& channel, uint32_t pixel) {
    if (channel.most == 0) return 0;
    const uint64_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint32_t>((value * 255 + channel.most / 2) / channel.most) & 0xFFu;
}

struct Masks {
    Channel red, green, blue;
};

Masks readMasks(ByteStream& in, const BmpLayout& layout) {
    if (layout.compression != channelMasks) return {channelOf(0x7C00), channelOf(0x03E0), channelOf(0x001F)};
    in.seek(masksOffset);
    std::array<uint8_t, 12> bytes{};
    for (uint8_t& byte : bytes) byte = in.next();
    return {channelOf(getLe32(&bytes[0])), channelOf(getLe32(&bytes[4])), channelOf(getLe32(&bytes[8]))};
}

// Where a pixel of the file lands: stored row r counts from the bottom in a bottom-up picture.
class Canvas {
public:
    Canvas(DecodedPicture& picture, bool topDown) : picture_(picture), topDown_(topDown) {}
    void put(uint64_t x, uint64_t storedRow, uint32_t colour) {
        const auto width = static_cast<uint64_t>(picture_.width), height = static_cast<uint64_t>(picture_.height);
        if (x >= width || storedRow >= height) return;
        const uint64_t y = topDown_ ? storedRow : height - 1 - storedRow;
        picture_.pixels[y * width + x] = colour;
    }
    uint64_t rows() const { return static_cast<uint64_t>(picture_.height); }

private:
    DecodedPicture& picture_;
    bool topDown_;
};

void decodeUncompressed(ByteStream& in, const BmpLayout& layout, Canvas& canvas, uint32_t width) {
    const Masks masks = layout.bits == 16 ? readMasks(in, layout) : Masks{};
    const uint64_t rowBytes = uint64_t{width} * layout.bits / 8;
    const uint64_t padding = (4 - rowBytes % 4) % 4;
    in.seek(layout.pixelOffset);
    for (uint64_t row = 0; row < canvas.rows() && !in.ended(); ++row) {
        for (uint32_t x = 0; x < width; ++x) {
            if (layout.bits == 24) {
                const uint32_t blue = in.next(), green = in.next(), red = in.next();
                canvas.put(x, row, blue | green << 8 | red << 16);
            } else {
                const uint32_t pixel = in.next() | uint32_t{in.next()} << 8;
                canvas.put(x, row,
                           scaled(masks.blue, pixel) | scaled(masks.green, pixel) << 8 | scaled(masks.red, pixel) << 16);
            }
        }
        in.skip(padding);
    }
}

// The pixels of run-length codes: a pair repeats its colour index (RLE4: its two nibbles in
// turn), and a zero count escapes to an end of line, the end of the picture, a delta that moves
// right and up, or a run of literal indices padded to an even number of bytes.
class RunLengthDecoder {
public:
    RunLengthDecoder(ByteStream& in, const Palette& palette, Canvas& canvas, bool fourBits)
        : in_(in), palette_(palette), canvas_(canvas), fourBits_(fourBits) {}

    void run() {
        while (row_ < canvas_.rows() && !in_.ended()) {
            const uint8_t count = in_.next();
            const uint8_t value = in_.next();
            if (count > 0) {
                repeat(count, value);
            } else if (value == 0) {
                x_ = 0;
                ++row_;
            } else if (value == 1) {
                return;
            } else if (value == 2) {
                x_ += in_.next();
                row_ += in_.next();
            } else {
                literal(value);
            }
        }
    }

private:
    void put(uint8_t index) { canvas_.put(x_++, row_, palette_[index]); }

    void repeat(uint8_t count, uint8_t value) {
        for (uint32_t i = 0; i < count; ++i) put(fourBits_ ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
    }

    void literal(uint8_t count) {
        const uint32_t bytes = fourBits_ ? (count + 1u) / 2 : count;
        uint8_t byte = 0;
        for (uint32_t i = 0; i < count; ++i) {
            if (!fourBits_) {
                put(in_.next());
            } else {
                if (i % 2 == 0) byte = in_.next();
                put(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
            }
        }
        if (bytes % 2 == 1) in_.next();
    }

    ByteStream& in_;
    const Palette& palette_;
    Canvas& canvas_;
    bool fourBits_;
    uint64_t x_ = 0, row_ = 0;
};

}  // namespace

bool isOwnBmp(const uint8_t* header) {
    if (header[0] != 'B' || header[1] != 'M') return false;
    const BmpLayout layout = layoutOf(header);
    if (layout.infoBytes < 40 || layout.infoBytes > 124) return false;
    const uint32_t c = layout.compression;
    switch (layout.bits) {
        case 4:
            return c == rle4;
        case 8:
            return c == rle8;
        case 16:
            return c == noCompression || c == channelMasks;
        case 24:
            return c == noCompression;
        default:
            return false;
    }
}

void ownBmpSize(const uint8_t* header, int32_t& width, int32_t& height) {
    const BmpLayout layout = layoutOf(header);
    width = layout.width;
    height = layout.height;
}

bool decodeOwnBmp(const std::string& path, DecodedPicture& picture, std::string& failure) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        failure = "cannot be opened";
        return false;
    }
    ByteStream in(file.get());
    std::array<uint8_t, bmpChoiceBytes> header{};
    for (uint8_t& byte : header) byte = in.next();
    const BmpLayout layout = layoutOf(header.data());
    const bool runLength = layout.compression == rle4 || layout.compression == rle8;
    if (layout.width < 1 || layout.height == 0 || layout.height == INT32_MIN) {
        failure = "it has no pixels";
        return false;
    }
    if (runLength && layout.height < 0) {
        failure = "a run-length picture stored top row first";
        return false;
    }
    picture.width = layout.width;
    picture.height = layout.height < 0 ? -layout.height : layout.height;
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), 0u);
    Canvas canvas(picture, layout.height < 0);
    if (!runLength) {
        decodeUncompressed(in, layout, canvas, static_cast<uint32_t>(layout.width));
        return true;
    }
    const Palette palette = readPalette(in, layout);
    in.seek(layout.pixelOffset);
    RunLengthDecoder(in, palette, canvas, layout.compression == rle4).run();
    return true;
}

}  // namespace vx
