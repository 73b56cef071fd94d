#pragma once
// Test files are built as bytes in code (tools/tergen) and written into a
// fresh temporary folder that is removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/tergen/TerGen.h"

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        static int instances = 0;  // several folders may live in one test
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("vqtest-") + (info ? info->test_suite_name() : "x") + "-" + (info ? info->name() : "y") +
                "-" + std::to_string(++instances));
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        std::filesystem::create_directories(dir_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string write(const std::string& name, const tergen::Bytes& bytes) const {
        const std::string p = path(name);
        EXPECT_TRUE(tergen::writeFile(p, bytes)) << p;
        return p;
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Shorthands for hand-made (often broken) byte layouts, little-endian.
namespace testbytes {
using tergen::Bytes;
inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes u16(uint16_t v) { Bytes b; tergen::putU16(b, v); return b; }
inline Bytes u32(uint32_t v) { Bytes b; tergen::putU32(b, v); return b; }
inline Bytes f32(float v) { Bytes b; tergen::putF32(b, v); return b; }
}  // namespace testbytes
