#include "host/SceneExport.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "host/GltfDocument.h"
#include "host/HostState.h"
#include "host/ListStorage.h"
#include "host/MappedFile.h"

// Writing the files: the document and the buffer, either streamed into a
// temporary file or, when the host laid the scene's large lists out in the
// output's own storage, completed there (header, JSON, what is not in place
// yet) and renamed.

namespace XSI {
namespace SceneExport {

using detail::hostState;
using detail::HostLock;
using detail::HostStateData;
using detail::gltf::BinarySink;
using detail::gltf::Document;
using detail::gltf::MeshPlan;

namespace {

Result failure(std::string text) {
    Result r;
    r.errorText = std::move(text);
    return r;
}

Result success(uint64_t bytes) {
    Result r;
    r.ok = true;
    r.bytesWritten = bytes;
    return r;
}

// ---- whole-or-nothing files

class OutFile {
public:
    explicit OutFile(std::string finalPath) : final_(std::move(finalPath)), temp_(final_ + ".tmp") {}
    ~OutFile() {
        if (file_) std::fclose(file_);
        if (!committed_) std::remove(temp_.c_str());
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    bool open(std::string& error) {
        file_ = std::fopen(temp_.c_str(), "wb");
        if (!file_) error = "cannot create " + temp_;
        return file_ != nullptr;
    }
    // Large arrays go out in pieces of 64 KB. Linux sizes the file cache's
    // pages by the write call, and large ones can cost far more to find than
    // the copy itself: measured here, 738 MB written in 1 MB calls took 0.3 to
    // 8 s (worse after a pause), in 64 KB calls 0.15 s.
    void write(const void* data, size_t size) {
        constexpr size_t kPiece = size_t{1} << 16;
        written_ += size;
        for (auto* p = static_cast<const char*>(data); ok_ && size;) {
            const size_t n = size < kPiece ? size : kPiece;
            if (std::fwrite(p, 1, n, file_) != n) ok_ = false;
            p += n;
            size -= n;
        }
    }
    // Closes the temporary file; false when anything failed on the way.
    bool finish(std::string& error) {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!ok_ || !closed) {
            error = "cannot write " + temp_ + " (disk full?)";
            return false;
        }
        return true;
    }
    bool commit(std::string& error) {
        std::error_code ec;
        std::filesystem::rename(temp_, final_, ec);
        if (ec) {
            error = "cannot rename " + temp_ + " to " + final_ + ": " + ec.message();
            return false;
        }
        committed_ = true;
        return true;
    }
    uint64_t written() const { return written_; }
    const std::string& path() const { return final_; }

private:
    std::string final_, temp_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
    bool committed_ = false;
    uint64_t written_ = 0;
};

class StreamSink : public BinarySink {
public:
    explicit StreamSink(OutFile& out) : out_(out) {}
    void write(const void* data, size_t count) override { out_.write(data, count); }
    char* at(size_t) override { return nullptr; }

private:
    OutFile& out_;
};

// The buffer inside a mapped file from start on: bytes inside the mapping are
// copied there (or left, when already in place), bytes past it written to the file.
class MappedSink : public BinarySink {
public:
    MappedSink(detail::MappedFile& file, uint64_t start) : file_(file), pos_(start) {}
    char* at(size_t count) override { return pos_ + count <= file_.size() ? file_.data() + pos_ : nullptr; }
    void write(const void* data, size_t count) override {
        const char* p = static_cast<const char*>(data);
        if (pos_ < file_.size()) {
            const size_t inside = size_t(std::min<uint64_t>(count, file_.size() - pos_));
            char* dest = file_.data() + pos_;
            if (dest != p) std::memcpy(dest, p, inside);
            p += inside;
            pos_ += inside;
            count -= inside;
        }
        if (count) {
            ok_ = ok_ && file_.writeAt(pos_, p, count);
            pos_ += count;
        }
    }
    bool ok() const { return ok_; }
    uint64_t end() const { return pos_; }

private:
    detail::MappedFile& file_;
    uint64_t pos_;
    bool ok_ = true;
};

std::string binPathFor(const std::string& gltfPath) {
    const std::string ext = ".gltf";
    if (gltfPath.size() > ext.size() && gltfPath.compare(gltfPath.size() - ext.size(), ext.size(), ext) == 0)
        return gltfPath.substr(0, gltfPath.size() - ext.size()) + ".bin";
    return gltfPath + ".bin";
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

detail::OutputLayout storageLayout(GltfLayout layout) {
    return layout == GltfLayout::Binary ? detail::OutputLayout::Binary : detail::OutputLayout::Separate;
}

// Whether the placed file can become the output: its buffer starts where the
// document's does, the document needs all of its room, and every list in it
// lies where the document puts that list.
bool placedFits(const detail::PlacedOutput& placed, const Document& doc, uint64_t binStart) {
    if (placed.binaryStart != binStart || placed.file->size() > binStart + doc.binLength) return false;
    const char* buffer = placed.file->data() + binStart;
    for (const void* list : placed.lists) {
        bool found = false;
        for (const MeshPlan& plan : doc.plans) {
            const detail::MeshData& m = *plan.mesh;
            const bool plainCorners = m.polygonSizes.empty() && plan.splitNodes.empty();
            const bool plainUVs = m.hasUV && m.uv.perVertex();
            found = found || (list == m.positions.data() && list == buffer + plan.positionOffset) ||
                    (list == m.normals.data() && list == buffer + plan.normalOffset) ||
                    (plainUVs && list == m.uv.vertexPairs().data() && list == buffer + plan.uvOffset) ||
                    (plainCorners && list == m.corners.data() && list == buffer + plan.indexOffset);
        }
        if (!found) return false;
    }
    return true;
}

// The .glb's header, JSON chunk and the binary chunk's header. A large buffer
// starts on a multiple of kGlbBinaryStart, where the host's list storage put
// it, the JSON chunk padded with blanks up to there.
std::string glbHead(std::string& text, uint64_t binLength, uint64_t& total) {
    uint64_t jsonChunk = (text.size() + 3) / 4 * 4;
    if (binLength >= detail::kMapAtLeast) {
        const uint64_t step = detail::kGlbBinaryStart;
        jsonChunk = (28 + jsonChunk + step - 1) / step * step - 28;
    }
    text.resize(size_t(jsonChunk), ' ');
    total = 12 + 8 + jsonChunk + (binLength ? 8 + binLength : 0);
    std::string head;
    put32(head, 0x46546C67);  // "glTF"
    put32(head, 2);
    put32(head, static_cast<uint32_t>(total));
    put32(head, static_cast<uint32_t>(jsonChunk));
    put32(head, 0x4E4F534A);  // "JSON"
    head += text;
    if (binLength) {
        put32(head, static_cast<uint32_t>(binLength));  // already a multiple of 4
        put32(head, 0x004E4942);  // "BIN\0"
    }
    return head;
}

// Completes the buffer in the placed file: lists in place stay, the rest is copied in.
bool fillPlaced(detail::MappedFile& file, uint64_t start, Document& doc, std::string& error) {
    MappedSink sink(file, start);
    for (MeshPlan* plan : doc.bufferOrder) detail::gltf::writeMeshData(sink, *plan);
    if (!sink.ok()) error = "cannot write " + file.finalPath() + ".tmp (disk full?)";
    return sink.ok();
}

Result writeGltfLocked(HostStateData& host, const std::string& path, GltfLayout layout) {
    const std::string binPath = binPathFor(path);
    Document doc;
    detail::gltf::buildDocument(host, layout == GltfLayout::Separate ? detail::gltf::percentEncode(fileNameOf(binPath)) : "",
                                doc);
    std::string text = doc.root.dump(-1, ' ', false, detail::gltf::json::error_handler_t::replace);
    std::string error;
    detail::PlacedOutput placed;
    const bool hasPlaced = detail::placedOutputFor(path, storageLayout(layout), placed);

    if (layout == GltfLayout::Binary) {
        uint64_t total = 0;
        const std::string head = glbHead(text, doc.binLength, total);
        if (total > 0xFFFFFFFFu) return failure(detail::kGlbTooLarge);
        if (hasPlaced && doc.binLength && placedFits(placed, doc, head.size())) {
            detail::MappedFile& file = *placed.file;
            if (!fillPlaced(file, head.size(), doc, error)) return failure(error);
            std::memcpy(file.data(), head.data(), head.size());
            if (!file.commit(error)) return failure(error);
            detail::outputWritten();
            return success(total);
        }
        OutFile out(path);
        if (!out.open(error)) return failure(error);
        out.write(head.data(), head.size());
        StreamSink sink(out);
        for (MeshPlan* plan : doc.bufferOrder) detail::gltf::writeMeshData(sink, *plan);
        if (!out.finish(error) || !out.commit(error)) return failure(error);
        if (hasPlaced) detail::outputWritten();
        return success(out.written());
    }

    // .gltf + .bin: the buffer first, renamed only once the .gltf is complete.
    const bool mapped = hasPlaced && doc.binLength && placedFits(placed, doc, 0);
    OutFile bin(binPath);
    if (mapped) {
        if (!fillPlaced(*placed.file, 0, doc, error)) return failure(error);
    } else if (doc.binLength) {
        if (!bin.open(error)) return failure(error);
        StreamSink sink(bin);
        for (MeshPlan* plan : doc.bufferOrder) detail::gltf::writeMeshData(sink, *plan);
        if (!bin.finish(error)) return failure(error);
    }
    OutFile gltf(path);
    if (!gltf.open(error)) return failure(error);
    gltf.write(text.data(), text.size());
    if (!gltf.finish(error)) return failure(error);
    if (mapped ? !placed.file->commit(error) : doc.binLength && !bin.commit(error)) return failure(error);
    if (!gltf.commit(error)) {
        if (doc.binLength) std::remove(binPath.c_str());  // no .bin without its .gltf
        return failure(error);
    }
    if (hasPlaced) detail::outputWritten();
    return success((mapped ? doc.binLength : bin.written()) + gltf.written());
}

}  // namespace

void SetOutput(const std::string& path, GltfLayout layout) {
    detail::setOutput(path, path.empty() ? detail::OutputLayout::None : storageLayout(layout),
                      layout == GltfLayout::Binary ? path : binPathFor(path));
}

Result WriteGltf(const std::string& path, GltfLayout layout) {
    HostLock lock(hostState().mutex);
    try {
        return writeGltfLocked(hostState(), path, layout);
    } catch (const std::bad_alloc&) {
        return failure("out of memory while writing " + path);
    } catch (const std::exception& e) {  // the JSON library reports bad text this way
        return failure(std::string("cannot write ") + path + ": " + e.what());
    }
}

Result WriteSceneReport(const std::string& path) {
    HostLock lock(hostState().mutex);
    try {
        // Texts from the plug-in may hold bytes that are not UTF-8; they are replaced, not refused.
        const std::string text = detail::gltf::reportJson(hostState()).dump(
                                     2, ' ', false, detail::gltf::json::error_handler_t::replace) +
                                 "\n";
        std::string error;
        OutFile out(path);
        if (!out.open(error)) return failure(error);
        out.write(text.data(), text.size());
        if (!out.finish(error) || !out.commit(error)) return failure(error);
        return success(out.written());
    } catch (const std::bad_alloc&) {
        return failure("out of memory while writing " + path);
    } catch (const std::exception& e) {
        return failure(std::string("cannot write ") + path + ": " + e.what());
    }
}

}  // namespace SceneExport
}  // namespace XSI
