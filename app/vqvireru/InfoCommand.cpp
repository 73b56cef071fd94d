#include "app/vqvireru/InfoCommand.h"

#include <CLI/CLI.hpp>

#include <cstring>

#include "formats/HeaderText.h"
#include "formats/TerrainFile.h"
#include "formats/WorldFile.h"

namespace {

bool hasWorldExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tgw";
}

// Bytes that are not printable are shown as \xNN; tags are shown in double
// quotes so that trailing blanks show.
std::string escaped(const char* text, size_t max) {
    std::string out;
    for (size_t i = 0; i < max && text[i]; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string quoted(const char* text, size_t max) { return "\"" + escaped(text, max) + "\""; }

float floatAt(const std::vector<uint8_t>& d, size_t at) {
    const uint32_t bits = d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// A value shown by its catalogue type code: 1 float, 6 unsigned integer,
// 4 text, 7 list of floats; anything else as hex bytes.
std::string valueText(const WorldValue& v) {
    const std::vector<uint8_t>& d = v.data;
    char buf[64];
    switch (v.typeCode) {
    case 1:
        if (d.size() < 4) break;
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(floatAt(d, 0)));
        return buf;
    case 6:
        if (d.size() < 4) break;
        std::snprintf(buf, sizeof buf, "%lu",
                      static_cast<unsigned long>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<uint32_t>(d[3]) << 24)));
        return buf;
    case 4: {
        const std::string raw(reinterpret_cast<const char*>(d.data()), d.size());
        return escaped(raw.c_str(), raw.size());
    }
    case 7: {
        std::string out;
        for (size_t at = 0; at + 4 <= d.size(); at += 4) {
            std::snprintf(buf, sizeof buf, "%s%g", out.empty() ? "" : " ", static_cast<double>(floatAt(d, at)));
            out += buf;
        }
        return out;
    }
    default:
        break;
    }
    std::string out;
    for (uint8_t b : d) {
        std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", b);
        out += buf;
    }
    return out;
}

void printGroup(const WorldGroup& g, int depth, std::FILE* out) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    std::fprintf(out, "%s%s [type %d]\n", indent.c_str(), quoted(g.name, 4).c_str(), static_cast<int>(g.type));
    for (const auto& v : g.values)
        std::fprintf(out, "%s  %s = %s\n", indent.c_str(), quoted(v->tag, 4).c_str(), valueText(*v).c_str());
    for (const auto& child : g.children) printGroup(*child, depth + 1, out);
}

}  // namespace

int printTerrainInfo(const std::string& path, std::FILE* out, std::FILE* err) {
    TerrainFile terrain;
    if (!terrain.open(path.c_str())) {
        std::fprintf(err, "%s\n", terrain.errorText);
        return 1;
    }
    TerrainHeader header;
    terrain.getHeader(header);
    const HeaderTexts t = headerTexts(header);
    std::fprintf(out,
                 "Size: %s\nX/Y-Points: %s\nMetres/tg-Unit: %s\nPlanet Radius: %s\n"
                 "Curve Mode: %s\nBase Height: %s\nHeight Scale: %s\n",
                 t.size.c_str(), t.points.c_str(), t.metresPerUnit.c_str(), t.planetRadius.c_str(),
                 t.curveMode.c_str(), t.baseHeight.c_str(), t.heightScale.c_str());
    return 0;
}

int printWorldInfo(const std::string& path, std::FILE* out, std::FILE* err) {
    WorldFile world;
    const bool ok = world.read(path.c_str());
    if (world.loaded)
        std::fprintf(out, "loaded: yes\n");
    else
        std::fprintf(out, "loaded: no (%s)\n", world.errorText);
    for (const auto& g : world.groups) printGroup(*g, 0, out);
    if (world.surfaceMapGroup) printGroup(*world.surfaceMapGroup, 0, out);
    if (world.atmosphereGroup) printGroup(*world.atmosphereGroup, 0, out);
    if (!ok) {
        std::fprintf(err, "%s\n", world.errorText);
        return 1;
    }
    return 0;
}

int runInfoCommand(int argc, char** argv) {
    CLI::App app{"Shows a terrain file's header (.ter) or a world file's tree (.tgw).", "vqvireru info"};
    std::string path;
    app.add_option("FILE", path, "terrain (.ter) or world (.tgw) file")->required();
    try {
        app.parse(argc, argv);  // argv[0] is "info"
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    return hasWorldExtension(path) ? printWorldInfo(path, stdout, stderr) : printTerrainInfo(path, stdout, stderr);
}
