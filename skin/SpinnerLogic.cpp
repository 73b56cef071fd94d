#include "skin/SpinnerLogic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace skin {

double stepFactor(bool ctrlDown, bool altDown, int precision) {
    if (precision > 0 && altDown) return 0.1;
    if (ctrlDown) return 10.0;
    return 1.0;
}

double clampToRange(double v, const SpinLimits& l) {
    if (std::isnan(v)) return l.minimum;
    if (v < l.minimum) return l.minimum;
    if (v > l.maximum) return l.maximum;
    return v;
}

namespace {

// The wrap span is maximum - minimum + 1 (an integer range 0..9 has ten
// values). A step of many spans is folded with fmod so the loop is bounded.
double wrapIntoRange(double v, const SpinLimits& l) {
    const double span = l.maximum - l.minimum + 1.0;
    if (!(span > 0.0) || !std::isfinite(v) || !std::isfinite(span)) return clampToRange(v, l);
    if (v > l.maximum) {
        v -= span;
        if (v > l.maximum) v = l.minimum + std::fmod(v - l.minimum, span);
    } else if (v < l.minimum) {
        v += span;
        if (v < l.minimum) v = l.maximum - std::fmod(l.maximum - v, span);
    }
    return clampToRange(v, l);
}

}  // namespace

double stepUpValue(double value, double amount, const SpinLimits& l) {
    double v = value + amount;
    if (v > l.maximum) v = l.wrap ? wrapIntoRange(v, l) : l.maximum;
    return v;
}

double stepDownValue(double value, double amount, const SpinLimits& l) {
    double v = value - amount;
    if (v < l.minimum) v = l.wrap ? wrapIntoRange(v, l) : l.minimum;
    return v;
}

void makeSpinFormat(char (&format)[kSpinTextSize], int precision) {
    std::snprintf(format, sizeof format, "%%.%df", std::clamp(precision, 0, 15));
}

void trimTrailingZeros(char* text) {
    char* point = std::strchr(text, '.');
    if (!point || std::strpbrk(text, "eE")) return;  // the zeros of an exponent are digits
    size_t len = std::strlen(text);
    while (len > static_cast<size_t>(point - text) + 2 && text[len - 1] == '0') text[--len] = '\0';
}

void formatSpinValue(char (&out)[kSpinTextSize], double value, int precision) {
    int decimals = std::clamp(precision, 0, 15);
    char wide[64];
    if (std::isfinite(value)) {
        for (; decimals >= 0; --decimals) {
            const int n = std::snprintf(wide, sizeof wide, "%.*f", decimals, value);
            if (n > 0 && static_cast<size_t>(n) < kSpinTextSize) {
                std::memcpy(out, wide, static_cast<size_t>(n) + 1);
                trimTrailingZeros(out);
                return;
            }
        }
        // Too large for fixed notation in 15 characters: "-1.2345678e+300"
        // is the longest form at 8 significant digits.
        std::snprintf(out, sizeof out, "%.8g", value);
        return;
    }
    std::snprintf(out, sizeof out, "%s", std::isnan(value) ? "0" : (value > 0 ? "1e+308" : "-1e+308"));
}

bool isSpinInputChar(unsigned ch) { return ch == 8 || (ch >= '0' && ch <= '9') || ch == '.' || ch == '-'; }

double parseSpinText(const char* text) {
    if (!text) return 0.0;
    // Copy at most 15 characters: the spinner never reads more.
    char buf[kSpinTextSize] = {};
    size_t n = 0;
    while (n < kSpinTextSize - 1 && text[n]) {
        buf[n] = text[n];
        ++n;
    }
    size_t i = 0;
    while (i < n && (buf[i] == ' ' || buf[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (buf[i] == '+' || buf[i] == '-')) negative = buf[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < n && buf[i] >= '0' && buf[i] <= '9') ++i, ++digits;
    if (i < n && buf[i] == '.') {
        ++i;
        while (i < n && buf[i] >= '0' && buf[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    size_t end = i;
    if (i < n && (buf[i] == 'e' || buf[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (buf[j] == '+' || buf[j] == '-')) ++j;
        if (j < n && buf[j] >= '0' && buf[j] <= '9') {
            while (j < n && buf[j] >= '0' && buf[j] <= '9') ++j;
            end = j;
        }
    }
    // from_chars rejects a leading "+" but reads "5." and ".5" like atof.
    double v = 0.0;
    auto res = std::from_chars(buf + start, buf + end, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: large magnitudes saturate.
        const char* e = std::find(buf + start, buf + end, 'e');
        if (e == buf + end) e = std::find(buf + start, buf + end, 'E');
        const bool tiny = e != buf + end && e + 1 < buf + end && e[1] == '-';
        v = tiny ? 0.0 : std::numeric_limits<double>::max();
    } else if (res.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -v : v;
}

int dragSteps(int lastY, int y) { return (lastY - y) / 5; }

}  // namespace skin
