// vxtool check: one line per problem, or one JSON document for scripts.
#include <iostream>

#include "io/model/model_file.h"
#include "vxtool/commands.h"
#include "vxtool/json_text.h"
#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace vx::tool {
namespace {

std::string jsonFile(const std::string& path, bool readable, const std::string& error,
                     const std::vector<Finding>& findings) {
    std::string out = "{\"file\":" + jsonString(path);
    if (!readable) return out + ",\"error\":" + jsonString(error) + "}";
    out += ",\"problems\":" + std::to_string(problemCount(findings)) + ",\"findings\":[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        if (i) out += ',';
        out += "{\"kind\":" + jsonString(f.kind) + ",\"information\":" + (f.information ? "true" : "false") +
               ",\"message\":" + jsonString(f.message) + "}";
    }
    return out + "]}";
}

// Bytes after a model file's records that are not its palette: the editor ignores them, but they
// may be what is left of something another program meant to keep there.
void noteTrailingBytes(const std::string& path, const EditorState& state, std::vector<Finding>& findings) {
    if (!isVxModel(path)) return;
    const std::size_t other = modelFileTail(state, path).otherBytes;
    if (other == 0) return;
    findings.push_back({"trailing-bytes",
                        std::to_string(other) + " byte" + (other == 1 ? "" : "s") +
                            " after the records are not a palette and are ignored",
                        true});
}

}  // namespace

int runCheck(const CheckOptions& options) {
    int status = success;
    std::string json = "{\"files\":[";
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string& path = options.files[i];
        auto state = makeToolState();
        std::string error;
        const bool readable = readModel(path, {}, *state, error);
        std::vector<Finding> findings;
        if (readable) findings = checkModel(state->model);
        if (readable) noteTrailingBytes(path, *state, findings);
        if (!readable || problemCount(findings) > 0) status = failure;
        if (options.json) {
            if (i) json += ',';
            json += jsonFile(path, readable, error, findings);
            continue;
        }
        if (!readable) complain(error);
        for (const Finding& f : findings)
            std::cout << path << ": " << (f.information ? "information: " : "") << f.message << "\n";
    }
    if (options.json) std::cout << json << "]}\n";
    return status;
}

}  // namespace vx::tool
