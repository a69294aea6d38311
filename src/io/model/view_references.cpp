// NAME.vxref beside NAME.vx: the named views' pictures and their placement, kept with the model.
#include "io/model/view_references.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "core/views.h"
#include "io/output_file.h"
#include "io/picture/view_picture_file.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t maxReferencesBytes = 1 << 20;  // six lines; anything longer is not ours

fs::path folderOf(const std::string& modelPath) {
    const fs::path folder = fs::path(modelPath).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// A picture's path as the file keeps it: relative to the model's folder where there is a way.
std::string storedPath(const std::string& picturePath, const std::string& modelPath) {
    std::error_code error;
    const fs::path relative = fs::relative(fs::absolute(picturePath, error), fs::absolute(folderOf(modelPath), error), error);
    return error || relative.empty() ? picturePath : relative.generic_string();
}

std::string number(double value) {
    std::ostringstream out;
    out.precision(17);
    out << value;
    return out.str();
}

// The quoted path of a line, its escapes undone.
bool readQuoted(std::istringstream& in, std::string& text) {
    in >> std::ws;
    if (in.get() != '"') return false;
    for (int c = in.get(); c != EOF; c = in.get()) {
        if (c == '"') return true;
        if (c == '\\') c = in.get();
        if (c == EOF) return false;
        text += static_cast<char>(c);
    }
    return false;
}

struct ReferenceLine {
    int view;
    std::string path;
    std::array<double, 3> centre;
    double unitsPerPixel;
    int32_t opacity;
};

std::optional<ReferenceLine> parseLine(const std::string& line) {
    std::istringstream in(line);
    std::string name;
    ReferenceLine out{};
    if (!(in >> name) || !readQuoted(in, out.path)) return std::nullopt;
    const std::optional<int> view = viewNamed(name);
    if (!view || out.path.empty()) return std::nullopt;
    out.view = *view;
    if (!(in >> out.centre[0] >> out.centre[1] >> out.centre[2] >> out.unitsPerPixel >> out.opacity)) return std::nullopt;
    in >> std::ws;
    if (!in.eof()) return std::nullopt;
    for (const double c : out.centre)
        if (!std::isfinite(c)) return std::nullopt;
    if (!(out.unitsPerPixel > 0) || !std::isfinite(out.unitsPerPixel)) return std::nullopt;
    if (out.opacity != 25 && out.opacity != 50 && out.opacity != 75 && out.opacity != 100) return std::nullopt;
    return out;
}

void addSkipped(std::string& skipped, const std::string& what) {
    skipped += skipped.empty() ? "skipped: " : ", ";
    skipped += what;
}

}  // namespace

std::string referencesPathFor(const std::string& modelPath) {
    const std::string ending = ".vx";
    const bool hasEnding = modelPath.size() > ending.size() && modelPath.ends_with(ending);
    return (hasEnding ? modelPath.substr(0, modelPath.size() - ending.size()) : modelPath) + ".vxref";
}

std::string encodeViewReferences(const ViewPictures& pictures, const std::string& modelPath) {
    std::string text;
    for (int i = 0; i < viewCount; ++i) {
        const ViewPicture& picture = pictures.views[static_cast<std::size_t>(i)];
        if (!picture.present) continue;
        text += std::string(namedViews[static_cast<std::size_t>(i)].name) + ' ' + quoted(storedPath(picture.path, modelPath));
        for (const double c : picture.centre) text += ' ' + number(c);
        text += ' ' + number(picture.unitsPerPixel) + ' ' + std::to_string(picture.opacity) + '\n';
    }
    return text;
}

bool saveViewReferences(const EditorState& state, const std::string& modelPath) {
    const std::string text = encodeViewReferences(state.viewPictures, modelPath);
    const std::string path = referencesPathFor(modelPath);
    if (!text.empty()) return writeWholeFile(path, text);
    // Without pictures there is nothing to keep: only a file that is there and stays is a fault
    // (a model whose name leaves no room for the ending never had one).
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) return true;
    fs::remove(path, error);
    return !error;
}

std::string loadViewReferences(EditorState& state, const std::string& modelPath) {
    for (ViewPicture& picture : state.viewPictures.views) picture = ViewPicture{};
    state.viewPictures.tool = {};
    std::ifstream in(referencesPathFor(modelPath), std::ios::binary);
    if (!in) return {};
    std::string skipped;
    std::string line;
    for (std::size_t read = 0; std::getline(in, line) && read < maxReferencesBytes; read += line.size() + 1) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::optional<ReferenceLine> reference = parseLine(line);
        if (!reference) {
            addSkipped(skipped, "a line that is not a view's picture");
            continue;
        }
        const fs::path full = fs::path(reference->path).is_absolute() ? fs::path(reference->path)
                                                                       : folderOf(modelPath) / reference->path;
        ViewPicture& picture = state.viewPictures.views[static_cast<std::size_t>(reference->view)];
        std::string problem;
        if (!readViewPicture(full.lexically_normal().string(), picture, problem)) {
            addSkipped(skipped, reference->path + " (" + problem + ")");
            continue;
        }
        picture.present = true;
        picture.path = full.lexically_normal().string();
        picture.centre = reference->centre;
        picture.unitsPerPixel = reference->unitsPerPixel;
        picture.opacity = reference->opacity;
    }
    state.redrawPending = 1;
    return skipped.empty() ? std::string{} : "pictures " + skipped;
}

}  // namespace vx
