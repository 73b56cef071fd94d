#include "formats/FileStream.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace filestream {

namespace {

int64_t tell(std::FILE* f) {
#ifdef _WIN32
    return _ftelli64(f);
#else
    return static_cast<int64_t>(ftello(f));
#endif
}

int64_t fileSize(std::FILE* f) {
#ifdef _WIN32
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || !(st.st_mode & _S_IFREG)) return -1;
#else
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
#endif
    return static_cast<int64_t>(st.st_size);
}

}  // namespace

int64_t remainingBytes(std::FILE* f) {
    const int64_t size = fileSize(f);
    const int64_t here = tell(f);
    if (size < 0 || here < 0) return -1;
    return size > here ? size - here : 0;
}

bool skip(std::FILE* f, uint64_t n) {
    while (n > 0) {  // in steps that fit a signed offset
        const uint64_t step = n > (1ull << 62) ? (1ull << 62) : n;
#ifdef _WIN32
        if (_fseeki64(f, static_cast<int64_t>(step), SEEK_CUR) != 0) return false;
#else
        if (fseeko(f, static_cast<off_t>(step), SEEK_CUR) != 0) return false;
#endif
        n -= step;
    }
    return true;
}

}  // namespace filestream
