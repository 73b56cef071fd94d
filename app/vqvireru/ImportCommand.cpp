#include "app/vqvireru/ImportCommand.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/FixedText.h"
#include "host/SceneExport.h"
#include "import/ImportMessages.h"
#include "import/ImportPaths.h"
#include "import/ImportSession.h"
#include "import/ProgressSink.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free counter");

// The options dialog's spinner: 0.001 .. 10000, three decimals shown.
constexpr double kScaleMinimum = 0.001;
constexpr double kScaleMaximum = 10000.0;

// The value the spinner hands back for v: held to its range (not-a-number
// gives the minimum), then read back from its three-decimal text.
float spinnerScale(double v) {
    if (std::isnan(v)) v = kScaleMinimum;
    v = v < kScaleMinimum ? kScaleMinimum : v > kScaleMaximum ? kScaleMaximum : v;
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return static_cast<float>(std::strtod(text, nullptr));
}

std::string lowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// "maps/alps.ter" gives "alps.glb", in the current folder.
std::string defaultOutput(const std::string& terrain) {
    const size_t slash = terrain.find_last_of("/\\");
    std::string base = slash == std::string::npos ? terrain : terrain.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    if (base.empty()) base = "terrain";
    return base + ".glb";
}

// An option switched on or off by a pair of flags; the last one given wins.
struct Switch {
    int state = -1;  // -1 not given
    void apply(bool& option) const {
        if (state >= 0) option = state != 0;
    }
};

struct Options {
    std::string terrain, output, world, name, report, settings;
    double scale = 0;
    bool scaleGiven = false, nameGiven = false, quiet = false;
    std::string maxError, maxTriangles;  // as given: checked after parsing
    bool maxErrorGiven = false, maxTrianglesGiven = false;
    Switch replaceScene, centerPivot, camera, sun, water, render;
};

// Progress on the console: on a terminal one line that rewrites itself with
// the status text and a bar; otherwise each status text on its own line.
class ConsoleProgress : public ProgressSink {
public:
    ConsoleProgress(const ImportConsole& console, bool quiet) : console_(console), quiet_(quiet) {}

    void receive(uint32_t message, intptr_t lParam) override {
        // Ctrl+C acts as "Cancel Import": the flag is set on the worker's own
        // thread, which is the one that reads it when the import is done.
        if (interrupts.load() > 0 && session_) session_->cancelled = true;
        if (quiet_) return;
        switch (message) {
        case WM_IMPORT_STATUS: {
            const char* text = reinterpret_cast<const char*>(lParam);
            status_ = text ? text : "";
            if (!console_.terminal) {
                if (!status_.empty()) std::fprintf(console_.out, "%s\n", status_.c_str());
            } else {
                drawLine();
            }
            break;
        }
        case WM_IMPORT_PROGRESS: {
            const uint32_t total = session_ ? session_->progressTotal : 0;
            const uint32_t count = static_cast<uint32_t>(lParam);
            fraction_ = total == 0 ? 0.0 : count >= total ? 1.0 : double(count) / total;
            if (console_.terminal) drawLine();
            break;
        }
        case WM_IMPORT_DONE:
        case WM_IMPORT_FAILED:
            if (console_.terminal) clearLine();
            break;
        default:
            break;
        }
        std::fflush(console_.out);
    }

    void setSession(ImportSession* session) { session_ = session; }

private:
    void drawLine() {
        constexpr int kBar = 30;
        const int filled = static_cast<int>(fraction_ * kBar);
        const int percent = static_cast<int>(fraction_ * 100);
        std::string line = status_;
        line.resize(36, ' ');
        line += " [" + std::string(filled, '#') + std::string(kBar - filled, '.') + "] " + std::to_string(percent) + "%";
        if (line == shown_) return;
        // Blanks over whatever the longer previous line left behind.
        const size_t pad = shown_.size() > line.size() ? shown_.size() - line.size() : 0;
        std::fprintf(console_.out, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
        shown_ = line;
    }
    void clearLine() {
        if (shown_.empty()) return;
        std::fprintf(console_.out, "\r%s\r", std::string(shown_.size(), ' ').c_str());
        shown_.clear();
    }

    const ImportConsole& console_;
    bool quiet_;
    ImportSession* session_ = nullptr;
    std::string status_, shown_;
    double fraction_ = 0.0;
};

// The dialogs' part of the import, done from the command line's options.
class ConsoleUi : public ImportUi {
public:
    ConsoleUi(const Options& options, const ImportConsole& console)
        : options_(options), console_(console), progress_(console, options.quiet) {}

    std::string settingsFilePath(void*) override { return options_.settings; }
    void loadSkinBitmaps(void*) override {}

    int showOptions(ImportSession& session) override {
        const Options& o = options_;
        o.replaceScene.apply(session.replaceScene);
        o.centerPivot.apply(session.centerPivot);
        o.camera.apply(session.importCamera);
        o.sun.apply(session.importSun);
        o.water.apply(session.createWater);
        o.render.apply(session.importRender);
        // Every scale passes through the spinner, as in the dialog: also one
        // that came from the settings file.
        session.scale = spinnerScale(o.scaleGiven ? o.scale : double{session.scale});
        if (o.nameGiven) fixedtext::copy(session.objectName, o.name.c_str());  // at most 63 characters
        if (!o.world.empty()) fixedtext::copy(session.worldPath, o.world.c_str());
        return 1;
    }

    int showProgress(ImportSession& session) override {
        progress_.setSession(&session);
        int result = progress_.run(session);
        progress_.setSession(nullptr);
        // A Ctrl+C after the last message still counts as "Cancel Import".
        if (interrupts.load() > 0) {
            session.cancelled = true;
            result = 0;
        }
        return result;
    }

    void showMessage(ImportSession&, const char* text, unsigned) override {
        std::fprintf(console_.err, "%s\n", text);
    }

private:
    const Options& options_;
    const ImportConsole& console_;
    ConsoleProgress progress_;
};

void addSwitch(CLI::App& app, Switch& s, const std::string& on, const std::string& off, const std::string& help) {
    app.add_flag_callback(on, [&s] { s.state = 1; }, help);
    app.add_flag_callback(off, [&s] { s.state = 0; });
}

// What the error-bounded mesh kept, for the closing line.
struct RefinedSummary {
    bool shown = false;
    uint64_t points = 0, triangles = 0;
    double worstError = 0;
};

// A distance in metres: a whole decimal number, finite, not negative.
bool parseMaxError(const std::string& text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(value) &&
           value >= 0 && text.find_first_of("xXpP") == std::string::npos;
}

// A triangle budget: decimal digits only, 2 .. 2^32 - 1.
bool parseMaxTriangles(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return value >= 2 && value <= 0xFFFFFFFFull;
}

int usageError(const ImportConsole& console, const std::string& text) {
    std::fprintf(console.err, "vqvireru import: %s\n", text.c_str());
    return 2;
}

}  // namespace

void onImportInterrupt(int) {
    if (interrupts.fetch_add(1) >= 1) std::_Exit(130);  // the second Ctrl+C: at once
#ifndef _WIN32
    static const char note[] = "\ncancelling: the import finishes, then nothing is written (Ctrl+C again to quit)\n";
    (void)!write(2, note, sizeof note - 1);
#endif
    // Some systems reset the handler after each signal.
    std::signal(SIGINT, onImportInterrupt);
}

void resetImportInterrupts() { interrupts.store(0); }

int runImportCommandWith(int argc, char** argv, const ImportConsole& console) {
    Options o;
    CLI::App app{"Imports a terrain (.ter) and its world file (.tgw) into a glTF scene.", "vqvireru import"};
    app.add_option("TERRAIN", o.terrain, "terrain file (.ter)")->required();
    app.add_option("-o,--output", o.output, "scene file, .glb or .gltf (default: TERRAIN's base name .glb here)");
    app.add_option("--world", o.world, "world file (default: TERRAIN's name with .tgw, when it exists)");
    app.add_option_function<std::string>("--name", [&o](const std::string& v) { o.name = v; o.nameGiven = true; },
                                         "object name (at most 63 characters)");
    app.add_option_function<double>("--scale", [&o](double v) { o.scale = v; o.scaleGiven = true; },
                                    "scene units per metre, 0.001 .. 10000 (default 0.1)");
    addSwitch(app, o.replaceScene, "--replace-scene", "--keep-scene", "start a new scene (default) or keep it");
    addSwitch(app, o.centerPivot, "--center-pivot", "--no-center-pivot", "pivot in the terrain's centre (default)");
    addSwitch(app, o.camera, "--camera", "--no-camera", "camera TG_Cam from the world file (default)");
    addSwitch(app, o.sun, "--sun", "--no-sun", "sun TG_Sun from the world file (default)");
    addSwitch(app, o.water, "--water", "--no-water", "water plane TG_Water (default)");
    addSwitch(app, o.render, "--render-settings", "--no-render-settings", "render settings (default)");
    app.add_option_function<std::string>(
           "--max-error", [&o](const std::string& v) { o.maxError = v, o.maxErrorGiven = true; },
                   "keep only the points needed for the mesh to stay within METRES of every sample "
                   "(terrain metres, before --scale; 0: every point)")
        ->type_name("METRES");
    app.add_option_function<std::string>(
           "--max-triangles", [&o](const std::string& v) { o.maxTriangles = v, o.maxTrianglesGiven = true; },
           "at most N triangles in the error-bounded mesh (at least 2)")
        ->type_name("N");
    app.add_option("--report", o.report, "also write the host's scene report (JSON)");
    app.add_option("--settings", o.settings, "start from this settings file and save the options to it");
    app.add_flag("-q,--quiet", o.quiet, "no progress output");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), console.out);
        return 0;
    } catch (const CLI::ParseError& e) {
        return usageError(console, e.what());
    }

    double maxError = 0;
    uint64_t maxTriangles = 0;
    if (o.maxErrorGiven && !parseMaxError(o.maxError, maxError))
        return usageError(console, "--max-error must be a number of metres, 0 or more: " + o.maxError);
    if (o.maxTrianglesGiven && !parseMaxTriangles(o.maxTriangles, maxTriangles))
        return usageError(console, "--max-triangles must be a whole number, 2 or more: " + o.maxTriangles);

    if (o.output.empty()) o.output = defaultOutput(o.terrain);
    const std::string ext = lowerExtension(o.output);
    if (ext != ".glb" && ext != ".gltf") return usageError(console, "the output must end in .glb or .gltf: " + o.output);
    // The session keeps paths in 260-byte fields: a longer one would name another file.
    constexpr size_t kMaxPath = sizeof(ImportSession::terrainPath) - 1;
    for (const std::string* p : {&o.terrain, &o.world, &o.settings})
        if (p->size() > kMaxPath) return usageError(console, "path longer than 259 characters: " + *p);
    if (!o.world.empty() && !FileExists(o.world.c_str()))
        return usageError(console, "world file not found: " + o.world);

    // The host keeps the scene's large lists in the output's own storage.
    const auto layout = ext == ".glb" ? XSI::SceneExport::GltfLayout::Binary : XSI::SceneExport::GltfLayout::Separate;
    XSI::SceneExport::SetOutput(o.output, layout);
    ConsoleUi ui(o, console);
    bool imported;
    RefinedSummary refined;
    {
        ImportSession session;
        session.maxError = maxError;
        session.maxTriangles = maxTriangles;
        imported = session.RunImport(o.terrain.c_str(), ui);
        refined = {session.Refines() && session.keptPoints > 0, session.keptPoints, session.keptTriangles,
                   session.worstError};
    }
    if (!imported || interrupts.load() > 0) {
        XSI::SceneExport::SetOutput("", layout);  // nothing is written
        return 1;
    }

    const auto written = XSI::SceneExport::WriteGltf(o.output, layout);
    XSI::SceneExport::SetOutput("", layout);
    if (!written.ok) {
        std::fprintf(console.err, "%s\n", written.errorText.c_str());
        return 1;
    }
    if (!o.report.empty()) {
        const auto report = XSI::SceneExport::WriteSceneReport(o.report);
        if (!report.ok) {
            std::fprintf(console.err, "%s\n", report.errorText.c_str());
            return 1;
        }
    }
    if (!o.quiet) {
        std::fprintf(console.out, "wrote %s\n", o.output.c_str());
        if (!o.report.empty()) std::fprintf(console.out, "wrote %s\n", o.report.c_str());
        if (refined.shown)
            std::fprintf(console.out, "kept %llu points and %llu triangles; worst error %.6g m\n",
                         static_cast<unsigned long long>(refined.points),
                         static_cast<unsigned long long>(refined.triangles), refined.worstError);
    }
    return 0;
}

int runImportCommand(int argc, char** argv) {
    resetImportInterrupts();
    std::signal(SIGINT, onImportInterrupt);
    ImportConsole console;
#ifdef _WIN32
    console.terminal = _isatty(_fileno(stdout)) != 0;
#else
    console.terminal = isatty(fileno(stdout)) != 0;
#endif
    const int status = runImportCommandWith(argc, argv, console);
    std::signal(SIGINT, SIG_DFL);
    return status;
}
