#include "host/MappedFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace XSI {
namespace detail {

namespace {

std::atomic<int> reserveFault{0}, mapFault{0};

#ifndef _WIN32
std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
#endif

#ifdef _WIN32
std::string systemMessage(DWORD code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}
#endif

}  // namespace

void setMappingFaults(const MappingFaults& faults) {
    reserveFault = faults.reserveError;
    mapFault = faults.mapError;
}

#ifdef _WIN32

std::unique_ptr<MappedFile> MappedFile::create(const std::string& finalPath, uint64_t size, std::string& error,
                                               bool* mapRefused) {
    if (mapRefused) *mapRefused = false;
    std::unique_ptr<MappedFile> f(new MappedFile);
    f->finalPath_ = finalPath;
    f->tempPath_ = finalPath + ".map.tmp";
    f->size_ = size ? size : 1;
    if (f->size_ > SIZE_MAX) {
        error = "cannot map " + std::to_string(size) + " bytes of " + f->tempPath_ + " in this process";
        if (mapRefused) *mapRefused = true;
        return nullptr;
    }
    // Shared for deletion, so that the file can be renamed while it is mapped,
    // and for reading and writing, so that once it is the scene file other
    // programs open it as they open any file (they do not share deletion,
    // so this handle does not ask for it).
    HANDLE h = CreateFileA(f->tempPath_.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot create " + f->tempPath_ + ": " + systemMessage(GetLastError());
        return nullptr;
    }
    f->file_ = h;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(f->size_);
    // Setting the end allocates the file's clusters: a full disk fails here.
    const int reserveError = reserveFault.load();
    if (reserveError || !SetFilePointerEx(h, end, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) {
        error = "cannot reserve " + std::to_string(size) + " bytes for " + f->tempPath_ + ": " +
                systemMessage(reserveError ? DWORD(reserveError) : GetLastError());
        return nullptr;
    }
    const int fault = mapFault.load();
    if (!fault)
        f->mapping_ = CreateFileMappingA(h, nullptr, PAGE_READWRITE, DWORD(f->size_ >> 32), DWORD(f->size_), nullptr);
    if (f->mapping_) f->data_ = static_cast<char*>(MapViewOfFile(f->mapping_, FILE_MAP_WRITE, 0, 0, SIZE_T(f->size_)));
    if (!f->data_) {
        error = "cannot map " + f->tempPath_ + ": " + systemMessage(fault ? DWORD(fault) : GetLastError());
        if (mapRefused) *mapRefused = true;
        return nullptr;
    }
    return f;
}

MappedFile::~MappedFile() {
    if (data_) UnmapViewOfFile(data_);
    if (mapping_) CloseHandle(mapping_);
    if (file_) CloseHandle(file_);
    if (!committed_) DeleteFileA(tempPath_.c_str());
}

bool MappedFile::writeAt(uint64_t offset, const void* bytes, uint64_t count) {
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        OVERLAPPED at = {};
        at.Offset = DWORD(offset);
        at.OffsetHigh = DWORD(offset >> 32);
        const DWORD piece = count > (DWORD{1} << 30) ? (DWORD{1} << 30) : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(file_), p, piece, &written, &at) || written != piece) return false;
        p += piece;
        offset += piece;
        count -= piece;
    }
    return true;
}

bool MappedFile::commit(std::string& error) {
    if (!MoveFileExA(tempPath_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = "cannot rename " + tempPath_ + " to " + finalPath_ + ": " + systemMessage(GetLastError());
        return false;
    }
    committed_ = true;
    return true;
}

// A mapped file cannot be deleted on Windows: the destructor removes it.
void MappedFile::discard() { discarded_ = true; }

void MappedFile::removeTemporary() {}

#else

std::unique_ptr<MappedFile> MappedFile::create(const std::string& finalPath, uint64_t size, std::string& error,
                                               bool* mapRefused) {
    if (mapRefused) *mapRefused = false;
    std::unique_ptr<MappedFile> f(new MappedFile);
    f->finalPath_ = finalPath;
    f->size_ = size ? size : 1;
#ifdef O_TMPFILE
    f->fd_ = open(folderOf(finalPath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#endif
    if (f->fd_ < 0) {  // no unnamed files here: a named one, removed unless committed
        f->tempPath_ = finalPath + ".map.tmp";
        f->fd_ = open(f->tempPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (f->fd_ < 0) {
            error = "cannot create " + f->tempPath_ + ": " + std::strerror(errno);
            return nullptr;
        }
    } else {
        // An unnamed file gets its mode without the umask applied; give it the usual one.
        const mode_t mask = umask(0);
        umask(mask);
        (void)fchmod(f->fd_, 0666 & ~mask);
    }
    const std::string shown = f->tempPath_.empty() ? finalPath + ".tmp" : f->tempPath_;
    const int reserved = reserveFault.load() ? reserveFault.load() : posix_fallocate(f->fd_, 0, off_t(f->size_));
    if (reserved != 0) {
        error = "cannot reserve " + std::to_string(size) + " bytes for " + shown + ": " + std::strerror(reserved);
        return nullptr;
    }
    const int fault = mapFault.load();
    void* p = fault ? MAP_FAILED : mmap(nullptr, size_t(f->size_), PROT_READ | PROT_WRITE, MAP_SHARED, f->fd_, 0);
    if (p == MAP_FAILED) {
        error = "cannot map " + shown + ": " + std::strerror(fault ? fault : errno);
        if (mapRefused) *mapRefused = true;
        return nullptr;
    }
    f->data_ = static_cast<char*>(p);
    return f;
}

MappedFile::~MappedFile() {
    if (data_) munmap(data_, size_t(size_));
    if (fd_ >= 0) close(fd_);
    if (!committed_) removeTemporary();
}

void MappedFile::removeTemporary() {
    if (!tempPath_.empty()) std::remove(tempPath_.c_str());
    tempPath_.clear();
}

bool MappedFile::writeAt(uint64_t offset, const void* bytes, uint64_t count) {
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const size_t piece = count > (size_t{1} << 30) ? (size_t{1} << 30) : size_t(count);
        const ssize_t n = pwrite(fd_, p, piece, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += uint64_t(n);
        count -= uint64_t(n);
    }
    return true;
}

bool MappedFile::commit(std::string& error) {
    std::string temp = tempPath_;
    if (temp.empty()) {
        // The unnamed file gets a name through its descriptor, then the rename
        // replaces the target in one step.
        temp = finalPath_ + ".tmp";
        std::remove(temp.c_str());
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            error = "cannot create " + temp + ": " + std::strerror(errno);
            return false;
        }
    }
    if (std::rename(temp.c_str(), finalPath_.c_str()) != 0) {
        error = "cannot rename " + temp + " to " + finalPath_ + ": " + std::strerror(errno);
        if (tempPath_.empty()) std::remove(temp.c_str());
        return false;
    }
    tempPath_.clear();
    committed_ = true;
    return true;
}

// A mapped file can be unlinked on Linux; the mapping keeps its pages.
void MappedFile::discard() {
    discarded_ = true;
    removeTemporary();
}

#endif

}  // namespace detail
}  // namespace XSI
