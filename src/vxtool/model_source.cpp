// Loading models for the commands: the editor's loader for its own files, the importer for the rest.
#include "vxtool/model_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

#include "io/exchange/recognition.h"
#include "io/model/model_file.h"
#include "platform/console/files.h"

namespace vx::tool {

std::unique_ptr<EditorState> makeToolState() {
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    setDefaultModelAndView(*state);
    return state;
}

void complain(const std::string& message) { std::cerr << "vxtool: " << message << "\n"; }

std::string extensionOf(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool hasExtension(const std::string& path, const std::string& extension) { return extensionOf(path) == extension; }

bool isVxModel(const std::string& path) { return recognizeModelFile(path) == ModelFormat::vx; }

namespace {

// The editor's loader creates no file, but a missing name is worth its own message.
bool readVx(const std::string& path, EditorState& state, std::string& error) {
    if (const std::string problem = regularFileProblem(path); !problem.empty()) {
        error = path + ": " + problem;
        return false;
    }
    if (FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        error = path + ": cannot be opened";
        return false;
    }
    const LoadVerdict verdict = loadModel(state, path);
    if (verdict == LoadVerdict::endsEarly) complain("warning: " + path + ": " + std::string(endsEarlyMessage));
    if (verdict != LoadVerdict::invalidFile) return true;
    error = path + ": not a model file (no VTXF signature, or more entries than the tables hold)";
    return false;
}

}  // namespace

bool readModel(const std::string& path, const ImportRequest& request, EditorState& state, std::string& error) {
    if (isVxModel(path)) return readVx(path, state, error);
    ImportNotes notes;
    const bool read = importModelFile(path, request, state.model, notes);
    if (!read) {
        error = path + ": " + notes.error;
        return false;
    }
    for (const std::string& line : notes.lines) complain(line);
    return true;
}

}  // namespace vx::tool
