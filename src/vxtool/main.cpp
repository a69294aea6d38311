// vxtool's start-up: the one file that parses the command line (with CLI11) into option records.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "io/exchange/formats.h"
#include "vxtool/commands.h"

namespace {

using namespace vx::tool;

constexpr const char* version = "vxtool " VX_VERSION;

// Files are read by what they hold; the names are the usual extensions, from the format table.
std::string readableFormats() {
    return "Model files, recognised by content: " + vx::recognisedExtensions() + ", and through the importer library " +
           vx::importerFormatList;
}

void addInfo(CLI::App& app, InfoOptions& o) {
    CLI::App* info = app.add_subcommand("info", "Counts, bounding box and a check summary of each model");
    info->add_option("FILE", o.files, readableFormats())->required();
    info->add_flag("--json", o.json, "One JSON document instead of lines");
}

void addRender(CLI::App& app, RenderOptions& o) {
    CLI::App* render = app.add_subcommand("render", "Draw a model with the editor's renderer into a PNG or BMP");
    render->add_option("FILE", o.input, "Model file")->required();
    render->add_option("-o,--output", o.output, "Picture to write, .png or .bmp")->required();
    render->add_option("--style", o.style, "outline, flat or shaded")
        ->check(CLI::IsMember({"outline", "flat", "shaded"}));
    render->add_option("--angles", o.angles, "AXY,AXZ,AYZ in degrees, as the editor's value row shows them")
        ->delimiter(',');
    render->add_option("--distance", o.distance, "Camera distance")->check(CLI::Range(1, 2147483647));
    render->add_option("--zoom", o.zoom, "Projection scale")->check(CLI::Range(1.0, 1e9));
    render->add_option("--pan", o.pan, "X,Y in pixels")->delimiter(',');
    render->add_option("--drawdepth", o.drawdepth, "Far limit of the depth")->check(CLI::Range(1, 2147483647));
    render->add_option("--show", o.show, "Any of markers,lines,polygons")->delimiter(',');
    render->add_option("--size", o.size, "WxH, or N for NxN (default 800x600)");
    render->add_option("--background", o.background, "Picture drawn behind the model");
    render->add_option("--view", o.view, "front, back, right, left, top or bottom: that side faces the viewer")
        ->check(CLI::IsMember({"front", "back", "right", "left", "top", "bottom"}))
        ->excludes("--angles");
    render->add_flag("--ortho", o.ortho, "Orthographic: every point at the scale of the camera distance");
    render->add_flag("--references", o.references,
                     "Draw each view's own picture from the model's NAME.vxref (orthographic views)");
    render->add_flag("--frame", o.frame, "Choose distance, zoom, pan and draw depth so the model fills the picture")
        ->excludes("--distance", "--zoom", "--pan", "--drawdepth");
    render->add_option("--max-input", o.maxInputMiB,
                       "Refuse a model file larger than N MiB at once and keep memory under about 200 MB "
                       "(for thumbnailers, which run on every download)")
        ->check(CLI::Range(1, 4096));
}

void addConvert(CLI::App& app, ConvertOptions& o) {
    CLI::App* convert = app.add_subcommand("convert", "Convert models: IN OUT, or IN... --to FORMAT -o DIR");
    convert->add_option("FILES", o.files, "IN OUT, or the inputs of a batch. " + readableFormats())->required();
    convert->add_option("--to", o.to, std::string("Output format of a batch: ") + writtenFormats);
    convert->add_option("-o,--output-dir", o.outputDir, "Folder of a batch's outputs");
    CLI::Option* scale = convert->add_option("--scale", o.scale, "Multiply coordinates before rounding");
    CLI::Option* fit = convert->add_option("--fit", o.fit, "Scale and centre so the largest extent is N units");
    scale->check(CLI::PositiveNumber)->excludes(fit);
    fit->check(CLI::PositiveNumber);
    // A flag whose value needs "=": a value after a space would be taken from the file names.
    convert
        ->add_flag("--simplify{0}", o.simplifyTo,
                   "Reduce a model past the limits until it fits; --simplify=N: to at most N polygons")
        ->check(CLI::Range(0, 1000000000));
    convert->add_flag("--ascii", o.ascii, "Text STL or PLY instead of binary");
    convert->add_option("--palette", o.palette, "Give the models the palette of a .gpl, .hex or picture file");
}

void addCheck(CLI::App& app, CheckOptions& o) {
    CLI::App* check = app.add_subcommand("check", "List the problems of each model; status 1 when any is found");
    check->add_option("FILE", o.files, "Model files")->required();
    check->add_flag("--json", o.json, "One JSON document instead of lines");
}

// A model of 5000 of each needs a few megabytes. Hostile files can make the importer ask for
// tens of gigabytes on the strength of a few bytes; with the address space capped that request
// fails at once and the file is refused, instead of the machine filling its memory first.

void capAddressSpace() {
    if (!memoryCapsApply) return;
    constexpr rlim_t cap = rlim_t{4} << 30;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= cap)) return;
    limit.rlim_cur = cap;
    setrlimit(RLIMIT_AS, &limit);
}

}  // namespace

int main(int argc, char** argv) {
    capAddressSpace();
    CLI::App app{"vxtool: the vxedit model outside the window", "vxtool"};
    app.set_version_flag("--version", version);
    app.require_subcommand(1);
    InfoOptions info;
    RenderOptions render;
    ConvertOptions convert;
    CheckOptions check;
    addInfo(app, info);
    addRender(app, render);
    addConvert(app, convert);
    addCheck(app, check);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "vxtool: " << e.what() << "\nRun with --help for more information.\n";
        return usageError;
    }
    const std::string command = app.get_subcommands().front()->get_name();
    convert.simplify = app.get_subcommand("convert")->count("--simplify") > 0;
    if (command == "info") return runInfo(info);
    if (command == "render") return runRender(render);
    if (command == "convert") return runConvert(convert);
    return runCheck(check);
}
