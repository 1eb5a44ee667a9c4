// Runs one of the library's dialogs the way the library does (DialogBoxParamA on a module's
// template, with an owner) while a driver thread works it as a user would: it types into
// boxes, clicks buttons, presses F1 and reads the dialog back as one line. Every wait is a
// bounded poll; message boxes are answered by a MessageBoxRecorder the test installs.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// One user action and the dialog's state after it: 't' types text into id, 'p' presses a
// check box or radio button, 'c' clicks a button, 'h' presses F1, '-' only looks. The state
// is the line of the controls given to play(); "closed" when the dialog must have ended,
// "" when it is not looked at.
struct Step {
    char action;
    int id;
    std::string text, state;
};

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
    HWND dialog() const { return dialog_; }
    HWND item(int id) const { return GetDlgItem(dialog_, id); }
    // Sets a box's text; an edit box tells its dialog (EN_CHANGE) as typing would.
    void type(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }
    std::string text(int id) const;
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Clicks a button and returns once its handler has run. For a handler that opens a
    // dialog of its own, post() instead and drive the inner dialog.
    void click(int id) const;
    void post(int id) const;
    // Clicks a check box or radio button as the mouse would: it changes its own state first.
    void press(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }
    // F1: Windows sends the dialog WM_HELP.
    void help() const;
    bool open() const { return IsWindow(dialog_) && IsWindowVisible(dialog_); }
    HWND focus() const;  // the control with the keyboard focus on the dialog's thread
    // The controls as one line, in the order given: a check box or radio button "[x]" or
    // "[ ]", a button its text (no '&'), any other control its text in quotes; "(disabled)"
    // after a disabled one, ">" before the one with the focus.
    std::string state(std::initializer_list<int> ids) const;
    void play(const std::vector<Step>& steps, std::initializer_list<int> ids) const;

private:
    HWND dialog_;
};

// Polls the condition for up to 20 s.
bool Eventually(const std::function<bool()>& condition);

// Runs the dialog modally on this thread, the script on a driver thread once the dialog is
// shown; answers the dialog's end code (-1 when it could not be created). A script that
// returns with the dialog still open has it cancelled, and the result says so (-2).
INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure,
                  const std::function<void(DialogDriver&)>& script);
