#pragma once
// The user's part in scenehost's dialogs, written on the command line:
// actions sent, in order, to the open options dialog's controls.
//
//   text:ID=VALUE    the edit field's text
//   check:ID=0|1     a check box off or on
//   spin:ID=VALUE    a spinner's value (a number)
//   click:ID         a button click (click:1004 imports, click:2 cancels)
//   key:KEY          a key pressed and released at the keyboard, to the
//                    control that has the focus: tab, shift+tab, space,
//                    enter, escape, or one digit, letter or "." / "-"
//   shot:NAME        the options dialog as it shows now, saved as NAME.bmp
//                    in the --screenshots folder (letters, digits, - and _)
#include <string>
#include <vector>

struct UiAction {
    enum class Kind { Text, Check, Spin, Click, Key, Shot };
    Kind kind = Kind::Click;
    int control = 0;
    std::string text;    // Text
    bool checked = false;  // Check
    double value = 0;    // Spin
    unsigned short key = 0;  // Key: the virtual-key code
    bool shift = false;      // Key: with Shift held
    // Text: the text; Shot: the picture's name
};

// Parses one action; false with a reason in error when it is malformed.
bool parseUiAction(const std::string& text, UiAction& out, std::string& error);
