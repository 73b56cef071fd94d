#pragma once
// The user's part in scenehost's dialogs, written on the command line:
// actions sent, in order, to the open options dialog's controls.
//
//   text:ID=VALUE    the edit field's text
//   check:ID=0|1     a check box off or on
//   spin:ID=VALUE    a spinner's value (a number)
//   click:ID         a button click (click:1004 imports, click:2 cancels)
#include <string>
#include <vector>

struct UiAction {
    enum class Kind { Text, Check, Spin, Click };
    Kind kind = Kind::Click;
    int control = 0;
    std::string text;    // Text
    bool checked = false;  // Check
    double value = 0;    // Spin
};

// Parses one action; false with a reason in error when it is malformed.
bool parseUiAction(const std::string& text, UiAction& out, std::string& error);
