// Runs one of the library's dialogs the way the library does (DialogBoxParamA on a module's
// template, with an owner) while a driver on another thread works it as a user would: it
// types into boxes, clicks buttons and reads back texts and enabled states. Every wait is a
// bounded poll on a condition. Message boxes are recorded and answered by a
// MessageBoxRecorder the test installs; they never block.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
    HWND dialog() const { return dialog_; }
    // Sets a box's text; an edit box tells its dialog (EN_CHANGE) as typing would.
    void type(int id, const std::string& text) const;
    std::string text(int id) const;
    bool enabled(int id) const;
    bool visible(int id) const;
    LONG style(int id) const;
    // Clicks a button and returns once its handler has run. For a handler that opens a
    // dialog of its own, post() instead and drive the inner dialog.
    void click(int id) const;
    void post(int id) const;
    // Clicks a check box or radio button as the mouse would: it changes its own state first.
    void press(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool open() const { return IsWindow(dialog_) != FALSE; }
    // The control that has the keyboard focus on the dialog's thread.
    HWND focus() const;
    HWND item(int id) const { return GetDlgItem(dialog_, id); }

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
