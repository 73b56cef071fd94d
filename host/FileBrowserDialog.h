#pragma once
// The file browser's real dialog. On Windows it is the system's open-file
// dialog; elsewhere there is no dialog and the answer is "cancelled".
#include <string>

namespace XSI {
namespace detail {

// Filters come as the host writes them: "Label(*.ext)|*.ext||".
std::string toDialogFilter(const std::string& hostFilter);

// The chosen path, or empty when the user cancelled.
std::string showOpenFileDialog(const std::string& filter, const std::string& title, const std::string& folder,
                               const std::string& baseName);

}  // namespace detail
}  // namespace XSI
