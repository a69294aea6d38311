// vxtool convert: one file to another, or a batch into a folder, each written whole or not at all.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <system_error>

#include "io/exchange/recognition.h"
#include "io/exchange/writers.h"
#include "io/model/model_file.h"
#include "io/output_file.h"
#include "io/palette/palette_file.h"
#include "render/polygon_fill.h"
#include "render/projection.h"
#include "vxtool/commands.h"
#include "vxtool/model_source.h"

namespace vx::tool {
namespace {

// A row of the format table with a writer, or the editor's own file, which the model file writes.
const FormatRow* outputFormat(const std::string& format) {
    const FormatRow* row = formatOfExtension(format);
    return row != nullptr && (row->format == ModelFormat::vx || row->writer != nullptr) ? row : nullptr;
}

bool knownOutput(const std::string& format) { return outputFormat(format) != nullptr; }

// The editor's file carries the normals of its last frame; they do not depend on the view, so
// any projection gives the bytes the editor would save, and no screen is needed for one.
bool writeVx(EditorState& state, const std::string& path) {
    computePolygonNormals(state, projectionOf(state.camera, ScreenBuffers{}));
    return saveModel(state, path);
}

std::string exchangeBytes(const ExportTables& tables, const std::string& format, bool ascii) {
    return outputFormat(format)->writer(tables, ascii);
}

std::string stemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The distinct colours the faces use.
std::size_t coloursUsed(const ExportTables& tables) {
    bool used[paletteSize + 1] = {};
    for (const ExportFace& f : tables.faces) used[colourOf(f.flags)] = true;
    return static_cast<std::size_t>(std::count(used + 1, used + paletteSize + 1, true));
}

void warnSkipped(const std::string& path, const ExportTables& tables) {
    if (tables.skippedPolygons + tables.skippedLines == 0) return;
    complain("warning: " + path + ": left out " + std::to_string(tables.skippedPolygons) + " polygons and " +
             std::to_string(tables.skippedLines) + " lines that name missing vertices");
}

// STL holds triangles alone: say what of the model it cannot carry, with counts.
void noteStlLosses(const std::string& path, const ExportTables& tables) {
    std::size_t twoSided = 0;
    for (const ExportFace& f : tables.faces) twoSided += isTwoSided(f) ? 1 : 0;
    std::string lost;
    const auto add = [&](std::size_t count, const std::string& what) {
        if (count == 0) return;
        lost += (lost.empty() ? "" : ", ") + std::to_string(count) + " " + what;
    };
    add(tables.unusedVertices.size(), tables.unusedVertices.size() == 1 ? "free vertex" : "free vertices");
    add(tables.lines.size(), tables.lines.size() == 1 ? "line" : "lines");
    add(twoSided, twoSided == 1 ? "polygon's two-sided flag" : "polygons' two-sided flags");
    const std::size_t colours = coloursUsed(tables);
    add(colours, colours == 1 ? "colour" : "colours");
    if (!lost.empty()) complain("note: " + path + ": STL holds triangles only; left out " + lost);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The OBJ's colours go to its material file beside it, written first so that no OBJ names a
// material file that is not there. When the OBJ cannot be written, the material file goes again,
// or gets back what it held.
bool writeObjWithMaterials(const std::string& path, const ExportTables& tables) {
    if (!anyColour(tables)) return writeWholeFile(path, writeObj(tables));
    const std::string materials = folderOf(path) + objMaterialFile(tables);
    std::error_code failure;
    const bool existed = std::filesystem::is_regular_file(materials, failure);
    std::ifstream in(materials, std::ios::binary);
    const std::string before = existed ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
    if (!writeWholeFile(materials, writeMtl(tables))) return false;
    if (writeWholeFile(path, writeObj(tables))) return true;
    if (existed)
        writeWholeFile(materials, before);
    else
        std::filesystem::remove(materials, failure);
    return false;
}

bool writeModelAs(EditorState& state, const std::string& path, const std::string& format, double scale, bool ascii,
                  std::string& error) {
    bool written = false;
    if (format == "vx") {
        written = writeVx(state, path);
    } else {
        ExportTables tables = exportTablesOf(state.model);
        tables.name = stemOf(path);
        tables.scale = scale;
        warnSkipped(path, tables);
        if (format == "stl") noteStlLosses(path, tables);
        written = format == "obj" ? writeObjWithMaterials(path, tables)
                                  : writeWholeFile(path, exchangeBytes(tables, format, ascii));
    }
    if (!written) error = path + ": cannot be written";
    return written;
}

bool convertOne(const std::string& in, const std::string& out, const std::string& format, const ConvertOptions& options,
                std::string& error) {
    // From the editor's own file, --scale multiplies what is written: it takes an import's fit
    // back ("scaled by 20" is undone by --scale 0.05).
    const bool fromVx = isVxModel(in);
    if (fromVx && (options.fit || options.simplify || (options.scale && format == "vx"))) {
        error =
            in + ": --fit and --simplify apply to imported models, and --scale to them or to exports, not to .vx files";
        return false;
    }
    ImportRequest import;
    import.scale = fromVx ? std::nullopt : options.scale;
    import.fit = options.fit;
    import.simplify = options.simplify;
    import.simplifyTo = options.simplifyTo;
    auto state = makeToolState();
    if (!readModel(in, import, *state, error)) return false;
    if (!options.palette.empty()) {
        PaletteRead read;
        if (!readPaletteFile(options.palette, read, error)) return false;
        state->model.palette = read.palette;
    }
    const double exportScale = fromVx && options.scale ? *options.scale : 1.0;
    return writeModelAs(*state, out, format, exportScale, options.ascii, error);
}

// Inputs of one name in different folders, or in different formats, would overwrite each other's
// output: those names take the input's extension ("box-obj.vx", "box-stl.vx"), and a number when
// even that is shared. Each renamed output is listed.
std::vector<std::string> batchOutputNames(const std::vector<std::string>& files, const std::string& to) {
    std::map<std::string, std::size_t> stems, taken;
    for (const std::string& in : files) ++stems[stemOf(in)];
    std::vector<std::string> names;
    for (const std::string& in : files) {
        std::string name = stemOf(in);
        if (stems[name] > 1) {
            const std::string extension = extensionOf(in);
            name.append("-").append(extension.empty() ? std::string("model") : extension);
            const std::size_t seen = ++taken[name];
            if (seen > 1) name.append("-").append(std::to_string(seen));
            complain("note: " + in + " is written as " + name + "." + to + ", as another input has its name");
        }
        names.push_back(name + "." + to);
    }
    return names;
}

void showProgress(std::size_t done, std::size_t total, const std::string& name) {
    constexpr std::size_t width = 30;
    const std::size_t filled = total ? done * width / total : width;
    std::cerr << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] " << done << "/" << total
              << " " << name.substr(0, 40) << "\033[K" << std::flush;
}

// A batch's folder is made when missing, as `mkdir -p` would; one that cannot be made fails the
// whole batch with the system's reason instead of one "cannot be written" per file.
bool makeOutputFolder(const std::string& folder) {
    std::error_code failed;
    if (std::filesystem::is_directory(folder, failed)) return true;
    std::filesystem::create_directories(folder, failed);
    if (!failed) return true;
    complain(folder + ": the output folder cannot be made (" + failed.message() + ")");
    return false;
}

int convertBatch(const ConvertOptions& options) {
    if (!makeOutputFolder(options.outputDir)) return failure;
    const std::vector<std::string> names = batchOutputNames(options.files, options.to);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    int status = success;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string& in = options.files[i];
        if (terminal) showProgress(i, options.files.size(), in);
        std::string error;
        const std::string out = options.outputDir + "/" + names[i];
        if (!convertOne(in, out, options.to, options, error)) {
            if (terminal) std::cerr << "\r\033[K";
            complain(error);
            status = failure;
        }
    }
    if (terminal) {
        showProgress(options.files.size(), options.files.size(), "");
        std::cerr << "\n";
    }
    return status;
}

}  // namespace

int runConvert(const ConvertOptions& options) {
    if (!options.to.empty()) {
        if (!knownOutput(options.to) || options.outputDir.empty()) {
            complain(std::string("--to takes ") + writtenFormats + ", with -o naming the folder");
            return usageError;
        }
        return convertBatch(options);
    }
    if (options.files.size() != 2) {
        complain("convert takes IN OUT, or IN... --to FORMAT -o DIR");
        return usageError;
    }
    const std::string format = extensionOf(options.files[1]);
    if (!knownOutput(format)) {
        complain(options.files[1] + ": the output is written as " + writtenExtensions);
        return usageError;
    }
    std::string error;
    if (!convertOne(options.files[0], options.files[1], format, options, error)) {
        complain(error);
        return failure;
    }
    return success;
}

}  // namespace vx::tool
