#include "app/scenehost/UiScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// A control id: decimal digits only, within the range of dialog ids.
bool parseControl(const std::string& s, int& id) {
    if (s.empty() || s.size() > 5) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    id = std::atoi(s.c_str());
    return id <= 0xFFFF;
}

}  // namespace

bool parseUiAction(const std::string& text, UiAction& out, std::string& error) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        error = "ui action without a kind (text:, check:, spin:, click:): " + text;
        return false;
    }
    const std::string kind = text.substr(0, colon);
    std::string rest = text.substr(colon + 1);
    UiAction a;
    if (kind == "click") {
        a.kind = UiAction::Kind::Click;
        if (!parseControl(rest, a.control)) {
            error = "click needs a control id: " + text;
            return false;
        }
        out = a;
        return true;
    }
    const size_t equals = rest.find('=');
    if (equals == std::string::npos || !parseControl(rest.substr(0, equals), a.control)) {
        error = kind + " needs ID=VALUE: " + text;
        return false;
    }
    const std::string value = rest.substr(equals + 1);
    if (kind == "text") {
        a.kind = UiAction::Kind::Text;
        a.text = value;
    } else if (kind == "check") {
        a.kind = UiAction::Kind::Check;
        if (value != "0" && value != "1") {
            error = "check takes 0 or 1: " + text;
            return false;
        }
        a.checked = value == "1";
    } else if (kind == "spin") {
        a.kind = UiAction::Kind::Spin;
        char* end = nullptr;
        errno = 0;
        a.value = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(a.value)) {
            error = "spin takes a finite number: " + text;
            return false;
        }
    } else {
        error = "unknown ui action '" + kind + "' (text, check, spin, click): " + text;
        return false;
    }
    out = a;
    return true;
}
