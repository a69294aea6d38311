// Imports in a child process: the child reads the file with the importer and sends the tables
// back; the parent only ever reads plain bytes from a pipe.
#include "io/exchange/isolated_import.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <type_traits>

namespace vx {
namespace {

static_assert(std::is_trivially_copyable_v<Model>, "the tables cross the pipe as bytes");

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeText(int fd, const std::string& text) {
    const uint64_t size = text.size();
    return writeAll(fd, &size, sizeof size) && writeAll(fd, text.data(), text.size());
}

bool readText(int fd, std::string& text) {
    uint64_t size = 0;
    if (!readAll(fd, &size, sizeof size) || size > (uint64_t{1} << 20)) return false;
    text.resize(static_cast<std::size_t>(size));
    return readAll(fd, text.data(), text.size());
}

// The answer: a verdict byte, the notes, and the tables when the verdict is yes.
[[noreturn]] void runChild(int fd, const std::string& path, const ImportRequest& request) {
    auto model = std::make_unique<Model>();
    ImportNotes notes;
    const uint8_t verdict = importModelFile(path, request, *model, notes) ? 1 : 0;
    bool sent = writeAll(fd, &verdict, 1) && writeText(fd, notes.error);
    const uint64_t lines = notes.lines.size();
    sent = sent && writeAll(fd, &lines, sizeof lines);
    for (const std::string& line : notes.lines) sent = sent && writeText(fd, line);
    sent = sent && (verdict == 0 || writeAll(fd, model.get(), sizeof(Model)));
    ::_exit(sent ? 0 : 1);
}

// False when the answer is cut short; imported is the child's verdict.
bool readAnswer(int fd, Model& model, ImportNotes& notes, bool& imported) {
    uint8_t verdict = 0;
    uint64_t lines = 0;
    if (!readAll(fd, &verdict, 1) || !readText(fd, notes.error) || !readAll(fd, &lines, sizeof lines) ||
        lines > 4096)
        return false;
    notes.lines.resize(static_cast<std::size_t>(lines));
    for (std::string& line : notes.lines)
        if (!readText(fd, line)) return false;
    imported = verdict == 1;
    if (!imported) return true;
    auto received = std::make_unique<Model>();
    if (!readAll(fd, received.get(), sizeof(Model))) return false;
    model = *received;
    return true;
}

// How the child ended, in words, when it did not end well.
std::string childFailure(int status) {
    if (WIFSIGNALED(status))
        return std::string("the importer crashed on this file (") + ::strsignal(WTERMSIG(status)) + ")";
    return "the importer ended without an answer";
}

}  // namespace

bool importModelFileIsolated(const std::string& path, const ImportRequest& request, Model& model, ImportNotes& notes) {
#ifdef __EMSCRIPTEN__
    return importModelFile(path, request, model, notes);
#else
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return importModelFile(path, request, model, notes);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return importModelFile(path, request, model, notes);
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        runChild(pipeEnds[1], path, request);
    }
    ::close(pipeEnds[1]);
    ImportNotes answer;
    auto received = std::make_unique<Model>(model);
    bool imported = false;
    const bool answered = readAnswer(pipeEnds[0], *received, answer, imported);
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!answered || !ended) {
        notes = {};
        notes.error = childFailure(status);
        return false;
    }
    notes = answer;
    if (imported) model = *received;
    return imported;
#endif
}

}  // namespace vx
