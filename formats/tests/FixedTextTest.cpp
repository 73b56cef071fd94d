#include "formats/FixedText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(fixed_text, copies_are_cut_to_the_field) {
    char small[5];
    fixedtext::copy(small, "abcdefgh");
    EXPECT_STREQ(small, "abcd");
    fixedtext::copy(small, nullptr);
    EXPECT_STREQ(small, "");
}

TEST(fixed_text, messages_keep_their_words_and_shorten_the_argument_from_the_front) {
    char out[32];
    fixedtext::formatWithArg(out, "open \"%s\" failed", "short");
    EXPECT_STREQ(out, "open \"short\" failed");

    const std::string arg = "/a/very/long/folder/name/file.ter";
    fixedtext::formatWithArg(out, "open \"%s\" failed", arg.c_str());
    EXPECT_EQ(std::strlen(out), 31u);
    EXPECT_STREQ(out, "open \".../name/file.ter\" failed");

    char tiny[8];  // too small for the fixed words: they are cut, never overflowed
    fixedtext::formatWithArg(tiny, "open \"%s\" failed", arg.c_str());
    EXPECT_EQ(std::strlen(tiny), 7u);
}
