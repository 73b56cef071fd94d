// vq-tergen: writes a terrain file with generated relief, or a world file,
// from command-line parameters.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "tools/tergen/TerGen.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes terrain (.ter) and world (.tgw) files from parameters."};
    app.require_subcommand(1);

    std::string terrainOut;
    std::vector<uint16_t> points{257, 257};
    std::vector<float> scale{30, 30, 30};
    uint32_t seed = 1;
    int16_t heightScale = 80;
    int16_t baseHeight = 0;
    auto* terrain = app.add_subcommand("terrain", "write a terrain file");
    terrain->add_option("output", terrainOut, "the .ter file to write")->required();
    terrain->add_option("--points", points, "columns and rows")->expected(2);
    terrain->add_option("--scale", scale, "metres per terrain unit: x y z")->expected(3);
    terrain->add_option("--seed", seed, "relief variation");
    terrain->add_option("--height-scale", heightScale, "ALTW HeightScale");
    terrain->add_option("--base-height", baseHeight, "ALTW BaseHeight");

    std::string worldOut;
    tergen::WorldParams w;
    std::vector<float> camera{w.camera.begin(), w.camera.end()};
    std::vector<float> target{w.target.begin(), w.target.end()};
    std::vector<float> sun{w.sunHeading, w.sunAltitude};
    std::vector<uint32_t> picture{w.imageWidth, w.imageHeight};
    auto* world = app.add_subcommand("world", "write a world file (positions in terrain units)");
    world->add_option("output", worldOut, "the .tgw file to write")->required();
    world->add_option("--camera", camera, "x y z")->expected(3);
    world->add_option("--target", target, "x y z")->expected(3);
    world->add_option("--bank", w.banking, "camera banking, degrees");
    world->add_option("--zoom", w.zoom, "zoom factor");
    world->add_option("--sun", sun, "heading altitude, degrees")->expected(2);
    world->add_option("--water", w.waterLevel, "water level");
    world->add_option("--picture", picture, "width height")->expected(2);
    world->add_option("--pixel-aspect", w.pixelAspect, "pixel aspect ratio");
    std::vector<std::string> omitted;
    world->add_option("--omit", omitted, "leave out every group or value with this tag (repeatable)");

    CLI11_PARSE(app, argc, argv);

    if (*terrain) {
        tergen::TerrainParams params;
        params.size = static_cast<uint16_t>(std::min(points[0], points[1]) - 1);
        params.xPoints = points[0];
        params.yPoints = points[1];
        params.scale = std::array<float, 3>{scale[0], scale[1], scale[2]};
        params.planetRadius = 6370.0f;
        params.curveMode = 0;
        params.heightScale = heightScale;
        params.baseHeight = baseHeight;
        params.samples = tergen::makeRelief(points[0], points[1], seed);
        if (!tergen::writeFile(terrainOut, tergen::terrainBytes(params))) {
            std::fprintf(stderr, "vq-tergen: cannot write %s\n", terrainOut.c_str());
            return 1;
        }
        return 0;
    }
    w.camera = {camera[0], camera[1], camera[2]};
    w.target = {target[0], target[1], target[2]};
    w.sunHeading = sun[0];
    w.sunAltitude = sun[1];
    w.imageWidth = picture[0];
    w.imageHeight = picture[1];
    std::vector<tergen::Chunk> chunks = tergen::standardWorld(w);
    for (const std::string& tag : omitted) tergen::omitTag(chunks, tag);
    if (!tergen::writeFile(worldOut, tergen::worldBytes(chunks))) {
        std::fprintf(stderr, "vq-tergen: cannot write %s\n", worldOut.c_str());
        return 1;
    }
    return 0;
}
