// export_sample OUTDIR [--plain]: builds the sample scene and writes it as
// OUTDIR/sample.gltf (+ sample.bin), OUTDIR/sample.glb and OUTDIR/sample.json.
// --plain leaves out the awkward cases (for opening in other tools).
#include <cstdio>
#include <cstring>
#include <string>

#include "host/SceneExport.h"
#include "host/tests/SampleScene.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: export_sample OUTDIR [--plain]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool plain = argc > 2 && std::strcmp(argv[2], "--plain") == 0;
    if (!sample::BuildSampleScene(!plain)) {
        std::fprintf(stderr, "export_sample: building the scene failed\n");
        return 1;
    }
    using namespace XSI::SceneExport;
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
