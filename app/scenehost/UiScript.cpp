#include "app/scenehost/UiScript.h"

#include <cctype>
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

// Virtual-key codes (as the system numbers them) of the keys a script names.
bool parseKey(std::string name, UiAction& a) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    a.shift = name.rfind("shift+", 0) == 0;
    if (a.shift) name = name.substr(6);
    static const struct {
        const char* name;
        unsigned short vk;
    } named[] = {{"tab", 0x09}, {"space", 0x20}, {"enter", 0x0D}, {"escape", 0x1B}};
    for (const auto& n : named)
        if (name == n.name) {
            a.key = n.vk;
            return true;
        }
    if (name.size() != 1) return false;
    const char c = name[0];
    if ((c >= '0' && c <= '9')) a.key = static_cast<unsigned short>(c);
    else if (c >= 'a' && c <= 'z') a.key = static_cast<unsigned short>(c - 'a' + 'A');
    else if (c == '.') a.key = 0xBE;  // VK_OEM_PERIOD
    else if (c == '-') a.key = 0xBD;  // VK_OEM_MINUS
    else return false;
    return true;
}

bool isShotName(const std::string& s) {
    if (s.empty() || s.size() > 64) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
    return true;
}

}  // namespace

bool parseUiAction(const std::string& text, UiAction& out, std::string& error) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        error = "ui action without a kind (text:, check:, spin:, click:, key:, shot:): " + text;
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
    if (kind == "key") {
        a.kind = UiAction::Kind::Key;
        if (!parseKey(rest, a)) {
            error = "key takes tab, shift+tab, space, enter, escape or one digit, letter, '.' or '-': " + text;
            return false;
        }
        out = a;
        return true;
    }
    if (kind == "shot") {
        a.kind = UiAction::Kind::Shot;
        a.text = rest;
        if (!isShotName(rest)) {
            error = "shot takes a name of letters, digits, '-' and '_': " + text;
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
        error = "unknown ui action '" + kind + "' (text, check, spin, click, key, shot): " + text;
        return false;
    }
    out = a;
    return true;
}
