#include "formats/FixedText.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(fixed_text, texts_are_cut_to_the_field_and_messages_keep_their_words) {
    char small[5];
    fixedtext::copy(small, "abcdefgh");
    EXPECT_STREQ(small, "abcd");
    fixedtext::copy(small, nullptr);
    EXPECT_STREQ(small, "");

    const char* longArg = "/a/very/long/folder/name/file.ter";
    char out[32];
    fixedtext::formatWithArg(out, "open \"%s\" failed", longArg);
    EXPECT_STREQ(out, "open \".../name/file.ter\" failed");  // 31 characters: the argument loses its front
    char tiny[8];  // too small for the fixed words: they are cut, never overflowed
    fixedtext::formatWithArg(tiny, "open \"%s\" failed", longArg);
    EXPECT_EQ(std::strlen(tiny), 7u);
}
