// scenehost's --ui actions: what each form means and which are refused.
#include <gtest/gtest.h>

#include "app/scenehost/UiScript.h"

TEST(UiScript, each_kind_of_action_reads_its_control_and_value) {
    UiAction a;
    std::string error;
    ASSERT_TRUE(parseUiAction("text:1001=Peak=2 x", a, error)) << error;
    EXPECT_EQ(a.kind, UiAction::Kind::Text);
    EXPECT_EQ(a.control, 1001);
    EXPECT_EQ(a.text, "Peak=2 x");  // everything after the first '='
    ASSERT_TRUE(parseUiAction("text:1001=", a, error));
    EXPECT_EQ(a.text, "");
    ASSERT_TRUE(parseUiAction("check:1036=0", a, error));
    EXPECT_EQ(a.kind, UiAction::Kind::Check);
    EXPECT_FALSE(a.checked);
    ASSERT_TRUE(parseUiAction("check:1039=1", a, error));
    EXPECT_TRUE(a.checked);
    ASSERT_TRUE(parseUiAction("spin:1000=0.25", a, error));
    EXPECT_EQ(a.kind, UiAction::Kind::Spin);
    EXPECT_EQ(a.control, 1000);
    EXPECT_DOUBLE_EQ(a.value, 0.25);
    ASSERT_TRUE(parseUiAction("click:2", a, error));
    EXPECT_EQ(a.kind, UiAction::Kind::Click);
    EXPECT_EQ(a.control, 2);
    const struct {
        const char* action;
        unsigned short key;
        bool shift;
    } keys[] = {{"key:tab", 0x09, false}, {"key:Shift+Tab", 0x09, true}, {"key:space", 0x20, false},
                {"key:7", '7', false},    {"key:p", 'P', false},          {"key:.", 0xBE, false}};
    for (const auto& k : keys) {
        ASSERT_TRUE(parseUiAction(k.action, a, error)) << error;
        EXPECT_EQ(a.kind, UiAction::Kind::Key) << k.action;
        EXPECT_EQ(a.key, k.key) << k.action;
        EXPECT_EQ(a.shift, k.shift) << k.action;
    }
    ASSERT_TRUE(parseUiAction("shot:focus-03_scale", a, error)) << error;
    EXPECT_EQ(a.kind, UiAction::Kind::Shot);
    EXPECT_EQ(a.text, "focus-03_scale");
}

TEST(UiScript, malformed_actions_are_refused_with_a_reason) {
    for (const char* action : {"", "1004", "click:", "click:10x", "click:-1", "click:70000", "press:1004",
                             "text:1001", "text:=x", "check:1036=2", "check:1036=", "spin:1000=", "spin:1000=abc",
                             "spin:1000=1e999", "spin:1000=nan", "spin:1000=0.5x", "key:", "key:f1", "key:ctrl+tab",
                             "key:77", "shot:", "shot:../x", "shot:a b"}) {
        UiAction a;
        std::string error;
        EXPECT_FALSE(parseUiAction(action, a, error)) << action;
        EXPECT_FALSE(error.empty()) << action;
    }
}
