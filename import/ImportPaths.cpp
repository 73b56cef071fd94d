#include "import/ImportPaths.h"

#include <cstdio>
#include <cstring>

#include "formats/FixedText.h"
#include "import/ImportSession.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The position just behind the last separator, or nullptr when there is none.
const char* afterLastSeparator(const char* path) {
    const char* after = nullptr;
    for (const char* p = path; *p; ++p)
        if (isSeparator(*p)) after = p + 1;
    return after;
}

}  // namespace

void StripFileName(char* path) {
    if (!path) return;
    // The last separator of either kind: in a path that mixes them ("C:\\Apps/
    // Plugins/vq.dll") the last backslash alone would cut off folder names.
    const char* after = afterLastSeparator(path);
    path[after ? after - path : 0] = '\0';
}

bool FileExists(const char* path) {
    if (!path || !*path) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

void SettingsPathBesideModule(const char* moduleFile, char* out, std::size_t size) {
    if (size == 0) return;
    std::string dir = moduleFile ? moduleFile : "";
    std::string buffer(dir.size() + 1, '\0');
    std::memcpy(&buffer[0], dir.c_str(), dir.size() + 1);
    StripFileName(&buffer[0]);
    const std::string path = std::string(buffer.c_str()) + kSettingsFileName;
    // A cut path would name some other file: better none at all.
    fixedtext::copy(out, size, path.size() < size ? path.c_str() : "");
}

void ObjectNameFromPath(const char* terrainPath, char* out, std::size_t size) {
    if (size == 0) return;
    const char* path = terrainPath ? terrainPath : "";
    // After the last separator of either kind, so that no folder name leaks
    // into the object name on POSIX paths either.
    const char* name = afterLastSeparator(path);
    if (!name) {
        const char* colon = std::strchr(path, ':');
        name = colon ? colon + 1 : path;
    }
    fixedtext::copy(out, size, name);
    if (char* period = std::strchr(out, '.')) *period = '\0';
}

std::string SiblingWorldPath(const char* terrainPath) {
    std::string path = terrainPath ? terrainPath : "";
    const std::size_t period = path.rfind('.');
    if (period == std::string::npos) return {};
    return path.substr(0, period) + ".tgw";
}

void MakeHostSafeName(const char* name, char* out, std::size_t size) {
    if (size == 0) return;
    std::string text = name ? name : "";
    if (!text.empty() && (text[0] == '\'' || text[0] == '"') && text.back() == text[0]) {
        // A text that is one quote character alone becomes empty.
        text = text.size() == 1 ? std::string() : text.substr(1, text.size() - 2);
    }
    // Blanks, control characters, bytes from 128 on and ASCII punctuation all
    // become "_": the host accepts only letters, digits and "_".
    for (char& c : text)
        if (!isAsciiLetterOrDigit(c)) c = '_';
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') text.insert(text.begin(), '_');
    fixedtext::copy(out, size, text.c_str());
}
