#pragma once
// Basic types of the stand-in host: strings, values, value arrays, long arrays,
// statuses and object references.
//
// Choices where the plug-in leaves the host open:
// - CString holds single-byte text (the import's texts are ANSI); it is an
//   owning std::string and converts to and from const char*.
// - CValue holds one of: empty, bool, 16- and 32-bit integers, float, double,
//   string, or an object reference (used by the COM handler's properties).
//   Numeric reads convert between the numeric kinds (a double read as long is
//   truncated toward zero, out-of-range or NaN reads give 0); a string reads
//   as 0; an empty value reads as 0 / false / "".
// - CLongArray may stand for the sequence 0, 1, ..., n-1 without storing it:
//   the node indices of a mesh of 100 million nodes then cost nothing.
// - No exception leaves the host: failures are statuses with a description.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace XSI {

class CString {
public:
    CString() = default;
    CString(const char* text) : text_(text ? text : "") {}  // NOLINT: implicit by design
    CString(std::string text) : text_(std::move(text)) {}  // NOLINT

    const char* GetAsciiString() const { return text_.c_str(); }
    const std::string& str() const { return text_; }
    uint32_t Length() const { return static_cast<uint32_t>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }

    CString& operator+=(const CString& other) { text_ += other.text_; return *this; }
    friend CString operator+(CString a, const CString& b) { a += b; return a; }
    friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
    friend bool operator!=(const CString& a, const CString& b) { return a.text_ != b.text_; }

private:
    std::string text_;
};

// Severity of a log line, as the host numbers them (bit values).
enum siSeverityType : int32_t {
    siFatalMsg = 1,
    siErrorMsg = 2,
    siWarningMsg = 4,
    siInfoMsg = 8,
    siVerboseMsg = 16,
    siCommentMsg = 32,
};

class CStatus {
public:
    enum Code : uint32_t {
        OK = 0,
        False = 1,
        NotImpl = 0x80004001,
        Fail = 0x80004005,
        InvalidArgument = 0x80070057,
        MemberNotFound = 0x80020003,
    };

    CStatus() = default;
    CStatus(Code code) : code_(code) {}  // NOLINT: statuses compare and return as codes
    CStatus(Code code, CString description) : code_(code), description_(std::move(description)) {}
    // A status built from a command's answer read as a long integer.
    static CStatus FromLong(int32_t value) {
        CStatus s;
        s.code_ = static_cast<Code>(static_cast<uint32_t>(value));
        return s;
    }

    Code GetCode() const { return code_; }
    bool Succeeded() const { return code_ == OK || code_ == False; }
    // The host's text for the failure; a generic text when none was given.
    CString GetDescription() const;

    friend bool operator==(const CStatus& s, Code c) { return s.code_ == c; }
    friend bool operator!=(const CStatus& s, Code c) { return s.code_ != c; }

private:
    Code code_ = OK;
    CString description_;
};

// Host object reached through a reference (menus, menu items, COM objects).
struct HostItem {
    virtual ~HostItem() = default;
};

// A counted reference to a host item; empty when invalid.
class CRef {
public:
    CRef() = default;
    explicit CRef(std::shared_ptr<HostItem> item) : item_(std::move(item)) {}
    bool IsValid() const { return item_ != nullptr; }
    const std::shared_ptr<HostItem>& item() const { return item_; }

private:
    std::shared_ptr<HostItem> item_;
};

class CValue {
public:
    enum DataType : int32_t {
        siEmpty = 0,
        siInt2 = 2,
        siInt4 = 3,
        siFloat = 4,
        siDouble = 5,
        siString = 8,
        siBool = 11,
        siRef = 13,
    };

    CValue() = default;
    CValue(bool v) : type_(siBool), b_(v) {}          // NOLINT: values convert like the host's
    CValue(int16_t v) : type_(siInt2), i_(v) {}       // NOLINT
    CValue(int32_t v) : type_(siInt4), i_(v) {}       // NOLINT
    CValue(float v) : type_(siFloat), d_(v) {}        // NOLINT
    CValue(double v) : type_(siDouble), d_(v) {}      // NOLINT
    CValue(const CString& v) : type_(siString), s_(v) {}  // NOLINT
    CValue(const char* v) : type_(siString), s_(v) {}     // NOLINT
    CValue(const CRef& v) : type_(siRef), ref_(v) {}      // NOLINT

    DataType GetType() const { return type_; }
    bool IsEmpty() const { return type_ == siEmpty; }

    bool GetBool() const;
    int32_t GetLong() const;      // 32-bit integer; doubles truncate toward zero
    double GetDouble() const;
    float GetFloat() const { return static_cast<float>(GetDouble()); }
    CString GetAsText() const;    // strings as they are, numbers in shortest round-trip form
    const CRef& GetRef() const { return ref_; }

    explicit operator bool() const { return GetBool(); }
    explicit operator int32_t() const { return GetLong(); }
    explicit operator double() const { return GetDouble(); }
    explicit operator CString() const { return GetAsText(); }

    // Same type and same content (the way the import compares the command log preference).
    friend bool operator==(const CValue& a, const CValue& b);
    friend bool operator!=(const CValue& a, const CValue& b) { return !(a == b); }

private:
    DataType type_ = siEmpty;
    bool b_ = false;
    int32_t i_ = 0;
    double d_ = 0.0;
    CString s_;
    CRef ref_;
};

class CValueArray {
public:
    CValueArray() = default;
    explicit CValueArray(uint32_t count) : values_(count) {}

    uint32_t GetCount() const { return static_cast<uint32_t>(values_.size()); }
    void Add(const CValue& v) { values_.push_back(v); }
    void Resize(uint32_t count) { values_.resize(count); }
    CValue& operator[](uint32_t i) { return values_[i]; }
    const CValue& operator[](uint32_t i) const { return values_[i]; }
    const std::vector<CValue>& values() const { return values_; }

private:
    std::vector<CValue> values_;
};

// An array of 32-bit integers, either stored or the identity sequence 0..n-1.
class CLongArray {
public:
    CLongArray() = default;
    explicit CLongArray(std::vector<int32_t> values)
        : values_(std::move(values)), count_(static_cast<uint32_t>(values_.size())) {}
    static CLongArray Identity(uint32_t count) {
        CLongArray a;
        a.identity_ = true;
        a.count_ = count;
        return a;
    }

    uint32_t GetCount() const { return count_; }
    // Entry i; the caller keeps i below GetCount().
    int32_t operator[](uint32_t i) const { return identity_ ? static_cast<int32_t>(i) : values_[i]; }
    bool IsIdentity() const { return identity_; }

private:
    std::vector<int32_t> values_;
    uint32_t count_ = 0;
    bool identity_ = false;
};

}  // namespace XSI
