// export_sample OUTDIR [--plain] [--grid=N]: builds the sample scene and
// writes it as OUTDIR/sample.gltf (+ sample.bin), OUTDIR/sample.glb and
// OUTDIR/sample.json. --plain leaves out the awkward cases (for opening in
// other tools); --grid=N makes the grid N x N vertices.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/SceneExport.h"
#include "host/tests/SampleScene.h"

int main(int argc, char** argv) {
    bool plain = false;
    int32_t columns = sample::kGridColumns, rows = sample::kGridRows;
    for (int i = 2; i < argc; ++i) {
        plain = plain || std::strcmp(argv[i], "--plain") == 0;
        if (std::strncmp(argv[i], "--grid=", 7) == 0) columns = rows = std::atoi(argv[i] + 7);
    }
    if (argc < 2 || columns < 2 || columns > 8193) {
        std::fprintf(stderr, "usage: export_sample OUTDIR [--plain] [--grid=N], N from 2 to 8193\n");
        return 2;
    }
    if (!sample::BuildSampleScene(!plain, columns, rows)) {
        std::fprintf(stderr, "export_sample: building the scene failed\n");
        return 1;
    }
    using namespace XSI::SceneExport;
    const std::string dir = argv[1];
    for (auto [result, what] : {std::pair{WriteGltf(dir + "/sample.gltf", GltfLayout::Separate), "sample.gltf"},
                                std::pair{WriteGltf(dir + "/sample.glb", GltfLayout::Binary), "sample.glb"},
                                std::pair{WriteSceneReport(dir + "/sample.json"), "sample.json"}}) {
        if (!result.ok) {
            std::fprintf(stderr, "export_sample: %s: %s\n", what, result.errorText.c_str());
            return 1;
        }
    }
    return 0;
}
