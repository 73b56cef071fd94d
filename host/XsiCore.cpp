#include "host/XsiCore.h"

#include <charconv>
#include <cmath>

namespace XSI {

CString CStatus::GetDescription() const {
    if (!description_.IsEmpty()) return description_;
    switch (code_) {
    case OK: return "OK";
    case False: return "False";
    case NotImpl: return "Not implemented";
    case Fail: return "Unspecified failure";
    case InvalidArgument: return "Invalid argument";
    case MemberNotFound: return "Member not found";
    }
    return "Unknown status";
}

bool CValue::GetBool() const {
    switch (type_) {
    case siBool: return b_;
    case siInt2:
    case siInt4: return i_ != 0;
    case siFloat:
    case siDouble: return d_ != 0.0;
    case siString: return s_ == CString("true") || s_ == CString("1");
    case siRef: return ref_.IsValid();
    case siEmpty: break;
    }
    return false;
}

int32_t CValue::GetLong() const {
    switch (type_) {
    case siBool: return b_ ? 1 : 0;
    case siInt2:
    case siInt4: return i_;
    case siFloat:
    case siDouble:
        // Truncation toward zero; NaN and values beyond 32 bits have no integer.
        if (!(d_ > -2147483649.0 && d_ < 2147483648.0)) return 0;
        return static_cast<int32_t>(d_);
    default: return 0;
    }
}

double CValue::GetDouble() const {
    switch (type_) {
    case siBool: return b_ ? 1.0 : 0.0;
    case siInt2:
    case siInt4: return i_;
    case siFloat:
    case siDouble: return d_;
    default: return 0.0;
    }
}

CString CValue::GetAsText() const {
    char buffer[64];
    switch (type_) {
    case siString: return s_;
    case siBool: return b_ ? "true" : "false";
    case siInt2:
    case siInt4: return std::to_string(i_);
    case siFloat: {
        auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(d_));
        return std::string(buffer, r.ptr);
    }
    case siDouble: {
        auto r = std::to_chars(buffer, buffer + sizeof buffer, d_);
        return std::string(buffer, r.ptr);
    }
    default: return "";
    }
}

bool operator==(const CValue& a, const CValue& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
    case CValue::siEmpty: return true;
    case CValue::siBool: return a.b_ == b.b_;
    case CValue::siInt2:
    case CValue::siInt4: return a.i_ == b.i_;
    case CValue::siFloat:
    case CValue::siDouble: return a.d_ == b.d_;
    case CValue::siString: return a.s_ == b.s_;
    case CValue::siRef: return a.ref_.item() == b.ref_.item();
    }
    return false;
}

}  // namespace XSI
