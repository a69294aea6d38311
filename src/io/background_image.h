// The BMP picture shown behind the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/editor_state.h"

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

// Reads a BMP picture into BackgroundImage, cut to the screen. False, with nothing read, when
// the file cannot be opened or does not start with "BM".
bool readBackgroundImage(EditorState& state, const std::string& imagePath);

// Reads the picture named on the command line into BackgroundImage. A file that is not a BMP
// picture ends the program with status 0 after a message.
void loadBackgroundImage(EditorState& state, const std::string& imagePath);

}  // namespace vx
