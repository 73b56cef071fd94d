// export_sample OUTDIR [--plain] [--grid=N] [--mapped]: builds the sample
// scene and writes it as OUTDIR/sample.gltf (+ sample.bin), OUTDIR/sample.glb
// and OUTDIR/sample.json. --plain leaves out the awkward cases (for opening in
// other tools); --grid=N makes the grid N x N vertices; --mapped builds the
// scene again for each file with that file as the host's known output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/SceneExport.h"
#include "host/tests/SampleScene.h"

int main(int argc, char** argv) {
    bool plain = false, mapped = false;
    int32_t columns = sample::kGridColumns, rows = sample::kGridRows;
    for (int i = 2; i < argc; ++i) {
        plain = plain || std::strcmp(argv[i], "--plain") == 0;
        mapped = mapped || std::strcmp(argv[i], "--mapped") == 0;
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
    auto write = [&](const std::string& name, GltfLayout layout) {
        if (mapped && !sample::BuildSampleScene(!plain, columns, rows, dir + "/" + name, layout)) {
            Result failed;
            failed.errorText = "building the scene failed";
            return failed;
        }
        return WriteGltf(dir + "/" + name, layout);
    };
    for (auto [result, what] : {std::pair{write("sample.gltf", GltfLayout::Separate), "sample.gltf"},
                                std::pair{write("sample.glb", GltfLayout::Binary), "sample.glb"},
                                std::pair{WriteSceneReport(dir + "/sample.json"), "sample.json"}}) {
        if (!result.ok) {
            std::fprintf(stderr, "export_sample: %s: %s\n", what, result.errorText.c_str());
            return 1;
        }
    }
    return 0;
}
