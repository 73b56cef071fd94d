#include <gtest/gtest.h>
TEST(placeholder, runs) { EXPECT_EQ(1, 1); }
