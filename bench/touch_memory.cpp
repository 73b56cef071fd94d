// touch_memory MB: writes one byte in every page of MB megabytes of fresh
// memory, then exits and frees it.
//
// On virtual machines that hand free guest memory back to their host, the
// first write to such memory costs far more than the work on it, and how much
// of it a program meets depends on how long the machine sat idle before. Run
// just before a timed command, this leaves that much memory freshly freed and
// backed, so every command starts from the same state.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    const long megabytes = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (megabytes <= 0) {
        std::fprintf(stderr, "usage: touch_memory MEGABYTES\n");
        return 2;
    }
    const size_t bytes = size_t(megabytes) << 20;
    std::unique_ptr<char[]> block(new (std::nothrow) char[bytes]);
    if (!block) {
        std::fprintf(stderr, "touch_memory: cannot allocate %ld MB\n", megabytes);
        return 1;
    }
    volatile char* p = block.get();
    for (size_t i = 0; i < bytes; i += 4096) p[i] = 1;
    return 0;
}
