// The spinner's arithmetic and text handling: stepping with clamping or
// wrapping, the step factor of the modifier keys, the shown text with its
// trailing zeros trimmed, the typing filter, and reading a typed number.
// Every text fits the spinner's 16-character buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace skin {

constexpr size_t kSpinTextSize = 16;  // 15 characters and the terminator

struct SpinLimits {
    double minimum = 0.0;
    double maximum = 100.0;
    double step = 1.0;
    int precision = 0;
    bool wrap = false;
};

// 1.0; 10.0 with Ctrl; 0.1 with Alt when decimals are shown (Alt wins).
double stepFactor(bool ctrlDown, bool altDown, int precision);

// value + amount (or - amount), then either clamped to the end or wrapped
// round to the other end. Wrapping keeps the result inside the range even for
// steps longer than the range.
double stepUpValue(double value, double amount, const SpinLimits& limits);
double stepDownValue(double value, double amount, const SpinLimits& limits);

// Below minimum gives minimum, above maximum gives maximum; not-a-number
// gives minimum.
double clampToRange(double value, const SpinLimits& limits);

// The printf format of the shown text: "%.<precision>f", the precision held
// to 0..15 (more decimals cannot be shown in 15 characters).
void makeSpinFormat(char (&format)[kSpinTextSize], int precision);

// Prints value with the precision and trims trailing zeros behind the point
// (never the digit right behind it). Values whose text would not fit in 15
// characters lose decimals first, then fall back to exponent notation.
void formatSpinValue(char (&out)[kSpinTextSize], double value, int precision);

// Trailing "0"s behind a "." are removed, keeping one digit after the point.
void trimTrailingZeros(char* text);

// The characters the edit accepts: backspace, digits, "." and "-".
bool isSpinInputChar(unsigned ch);

// The longest leading decimal number of text (optional blanks, sign, digits,
// point, digits, exponent), read locale-independently; 0.0 when there is
// none. Only the first 15 characters are read.
double parseSpinText(const char* text);

// Steps of a drag from lastY to y: five pixels per step, upward positive,
// truncated toward zero.
int dragSteps(int lastY, int y);

}  // namespace skin
