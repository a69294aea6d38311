// Line input: the line editor that reads a file name, and the field rule that takes it apart.
#include "platform/console/line_input.h"

#include <algorithm>

#include "platform/console/input.h"
#include "platform/console/text.h"
#include "platform/seam/backend.h"

namespace vx {
namespace {

constexpr int gridColumns = 100;
constexpr int gridRows = 37;
constexpr int32_t pollMs = 25;
constexpr std::size_t tabWidth = 8;
constexpr std::size_t rowLength = 100;  // Up and Down move the insertion point one text row
constexpr std::size_t maxTokenLength = 4096;
constexpr std::string_view blankRun =
    "                                                                                                    ";

// The line-input buffer: the last line typed, until takeToken reads its first field.
std::string& lineBuffer() {
    static std::string buffer = [] {
        std::string reserved;
        reserved.reserve(maxTokenLength);  // so typing an ordinary name allocates nothing
        return reserved;
    }();
    return buffer;
}

void printBlanks(std::size_t count) {
    while (count > 0) {
        const std::size_t run = std::min(count, blankRun.size());
        printString(blankRun.substr(0, run), 0);
        count -= run;
    }
}

// Edits one line in place on the text grid. The line starts at the cursor; its first cell
// moves up as the text area scrolls and may leave the grid at the top of a very long line.
class LineEditor {
public:
    explicit LineEditor(std::string& line) : line_(line) {
        const platform::TextCell cursor = platform::textCursor();
        startRow_ = cursor.row;
        startColumn_ = cursor.column;
        line_.clear();
    }

    void run() {
        for (;;) {
            showInsertionPoint();
            const std::string key = waitForKey();
            redrawCell(point_);  // takes the cursor mark away
            if (act(key)) break;
        }
        point_ = line_.size();
        bringIntoView();
        const platform::TextCell end = cellOf(point_);
        locate(end.row, end.column);
    }

private:
    platform::TextCell cellOf(std::size_t index) const {
        const int64_t cell = static_cast<int64_t>(startColumn_ - 1) + static_cast<int64_t>(index);
        return {static_cast<int>(startRow_ + cell / gridColumns), static_cast<int>(cell % gridColumns) + 1};
    }

    // The first index whose cell has not scrolled off the top.
    std::size_t firstVisible() const {
        const int64_t hidden = (1 - startRow_) * gridColumns - (startColumn_ - 1);
        return hidden > 0 ? static_cast<std::size_t>(hidden) : 0;
    }

    // Prints the line from index `from` and `blanks` spaces after its end, over the old text.
    void redraw(std::size_t from, std::size_t blanks) {
        const std::size_t end = line_.size() + blanks;
        from = std::max(from, firstVisible());
        if (from >= end) return;
        const platform::TextCell at = cellOf(from);
        if (at.row > gridRows) return;
        locate(at.row, at.column);
        const int64_t scrolledBefore = platform::textRowsScrolled();
        if (from < line_.size()) printString(std::string_view(line_).substr(from), 0);
        printBlanks(end - std::max(from, line_.size()));
        startRow_ -= platform::textRowsScrolled() - scrolledBefore;
    }

    void redrawCell(std::size_t index) {
        const platform::TextCell at = cellOf(index);
        if (at.row < 1 || at.row > gridRows) return;
        locate(at.row, at.column);
        printString(index < line_.size() ? std::string_view(line_).substr(index, 1) : blankRun.substr(0, 1), 0);
    }

    // Scrolls when the insertion point lies below the grid, as after a line ending in the
    // last cell: the wrap a print leaves pending is taken at once.
    void bringIntoView() {
        const int below = cellOf(point_).row - gridRows;
        if (below > 0) {
            platform::scrollText(below);
            startRow_ -= below;
        }
    }

    void showInsertionPoint() {
        bringIntoView();
        const platform::TextCell at = cellOf(point_);
        platform::drawCursorMark(at.row, at.column);
    }

    static std::string waitForKey() {
        for (;;) {
            takeStopRequest();
            if (keyWaiting()) {
                std::string key = readKey();
                if (!key.empty()) return key;
            }
            sleepMs(pollMs);
        }
    }

    void insert(std::string_view text) {
        line_.insert(point_, text);
        redraw(point_, 0);
        point_ += text.size();
    }

    void erase(std::size_t at, std::size_t count) {
        line_.erase(at, count);
        redraw(at, count);
    }

    // Acts on one key; true when the line is finished.
    bool act(const std::string& key) {
        if (key.size() == 2) {
            actOnExtendedKey(key[1]);
            return false;
        }
        const auto code = static_cast<uint8_t>(key[0]);
        if (code == 13 || code == 10) return true;
        if (code == 8 && point_ > 0) erase(--point_, 1);
        if (code == 9) insert(blankRun.substr(0, tabWidth - point_ % tabWidth));
        if (code == 27) {
            point_ = 0;
            erase(0, line_.size());
        }
        if (code >= 32) insert(key);
        return false;
    }

    void actOnExtendedKey(char code) {
        switch (code) {
            case 'S':
                if (point_ < line_.size()) {
                    erase(point_, 1);
                } else {
                    backend::beep();
                }
                break;
            case 'K':
                point_ -= point_ > 0 ? 1 : 0;
                break;
            case 'M':
                point_ += point_ < line_.size() ? 1 : 0;
                break;
            case 'G':
                point_ = 0;
                break;
            case 'O':
                point_ = line_.size();
                break;
            case 'H':
                point_ -= point_ >= rowLength ? rowLength : 0;
                break;
            case 'P':
                point_ += point_ + rowLength <= line_.size() ? rowLength : 0;
                break;
            default:
                break;  // the close request and every other extended key
        }
    }

    std::string& line_;
    std::size_t point_ = 0;  // the insertion point, 0..line size
    int64_t startRow_;       // grid row of index 0; below 1 once scrolled off the top
    int startColumn_;
};

}  // namespace

namespace platform {
void resetLineInput() { lineBuffer().clear(); }
}  // namespace platform

void promptLine(std::string_view prompt, bool question, bool newLine) {
    printString({}, 0);  // an empty print carries out a pending scroll
    if (!prompt.empty()) printString(prompt, 0);
    if (question) printString("? ", 0);
    printString({}, 0);  // the prompt may itself have filled the last cell
    backend::lineEntry(true);
    LineEditor(lineBuffer()).run();
    backend::lineEntry(false);
    if (newLine) printString({}, 1);
}

std::string takeToken() {
    std::string& line = lineBuffer();
    std::string_view rest = line;
    const std::size_t first = rest.find_first_not_of(" \t");
    rest.remove_prefix(first == std::string_view::npos ? rest.size() : first);
    std::string_view field;
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        field = rest.substr(0, rest.find('"'));
    } else {
        field = rest.substr(0, rest.find(','));
    }
    std::string token(field.substr(0, maxTokenLength));
    line.clear();  // one field per line: the rest is discarded
    return token;
}

}  // namespace vx
