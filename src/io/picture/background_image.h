// The picture shown behind the model: any picture the editor can read, checked before it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/editor_state.h"
#include "io/picture/picture_decoder.h"

namespace vx {

// Hands out the bytes of an open file from its current position, one 8192-byte block read at
// a time, through the ReadBuffer and readIndex of the background record.
class BufferedByteReader {
public:
    BufferedByteReader(Background& background, int32_t fileNumber);

    uint8_t nextByte() {
        if (background_.readIndex == 0) fillBlock();
        const uint8_t byte = background_.readBuffer[static_cast<std::size_t>(background_.readIndex)];
        background_.readIndex = background_.readIndex + 1 == blockBytes ? 0 : background_.readIndex + 1;
        return byte;
    }

    // True once every further byte lies past the end of the file and so reads as 0.
    bool exhausted() const { return atEnd_ && (background_.readIndex == 0 || background_.readIndex >= validBytes_); }

private:
    static constexpr int32_t blockBytes = 8192;
    void fillBlock();

    Background& background_;
    int32_t fileNumber_;
    int32_t validBytes_ = 0;  // bytes of the current block that came from the file
    bool atEnd_ = false;      // the current block reached the end of the file
};

// Why a picture cannot be shown.
enum class PictureProblem : uint8_t {
    none,
    missing,      // no file of that name
    unreadable,   // the system refuses to read it (permissions, a folder)
    notAPicture,  // no picture format the editor knows
    damaged,      // a known format whose data cannot be decoded
    tooLarge,     // refused from its header alone
};

struct PictureVerdict {
    PictureProblem problem = PictureProblem::none;
    std::string detail;  // the system's or the decoder's words, or the size the header claims
    bool ok() const { return problem == PictureProblem::none; }
};

// Larger pictures are refused from their header, before any pixel is read.
inline constexpr int64_t maxPictureSide = 16384;
inline constexpr int64_t maxPictureBytes = int64_t{256} << 20;  // at 4 bytes a pixel, or more

// A picture checked, and decoded where it needs decoding, before there is a screen to put it on.
// A plain 24-bit bottom-up BMP is not decoded here: showPicture reads it with the block reader.
struct PreparedPicture {
    std::string path;
    bool plainBmp = false;
    DecodedPicture decoded;  // every other picture
};

PictureVerdict preparePicture(const std::string& path, PreparedPicture& picture);

// Puts a prepared picture into BackgroundImage: top-left at the screen's top-left, cut to the
// screen. Expects BackgroundImage all zero, as start-up leaves it.
void showPicture(EditorState& state, const PreparedPicture& picture);

// Both steps at once. False, with nothing read, when the picture cannot be shown.
bool readBackgroundImage(EditorState& state, const std::string& imagePath);

// One line for a person: the problem in words, with its detail.
std::string describePictureProblem(const PictureVerdict& verdict);

}  // namespace vx
