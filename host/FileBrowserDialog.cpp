#include "host/FileBrowserDialog.h"

#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>
#endif

#include <vector>

#include "host/HostState.h"

namespace XSI {
namespace detail {

std::string toDialogFilter(const std::string& hostFilter) {
    // The dialog wants NUL-separated pairs ending in two NULs; the host's
    // filter separates with '|' and ends with "||".
    std::string out = hostFilter;
    for (char& c : out)
        if (c == '|') c = '\0';
    while (out.size() < 2 || out[out.size() - 1] != '\0' || out[out.size() - 2] != '\0') out.push_back('\0');
    return out;
}

#ifdef _WIN32

std::string showOpenFileDialog(const std::string& filter, const std::string& title, const std::string& folder,
                               const std::string& baseName) {
    const std::string dialogFilter = toDialogFilter(filter);
    std::vector<char> file(MAX_PATH * 4, '\0');
    baseName.copy(file.data(), file.size() - 1);
    void* owner = nullptr;
    {
        HostLock lock(hostState().mutex);
        owner = hostState().applicationWindow;
    }
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = filter.empty() ? nullptr : dialogFilter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return std::string();
    return std::string(file.data());
}

#else

std::string showOpenFileDialog(const std::string&, const std::string&, const std::string&, const std::string&) {
    return std::string();
}

#endif

}  // namespace detail
}  // namespace XSI
