// Runs a library dialog as the library does (DialogBoxParamA on its template, with an owner)
// while a driver thread works it as a user would and reads it back as one line.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A user's action and the state after it: 't' types text into id, 'p' presses a check box or
// radio button, 'c' clicks a button, 'h' presses F1, '-' only looks. The state is the line of
// the controls given to play(), "closed" when the dialog must have ended, "" not looked at.
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
    // An edit box tells its dialog (EN_CHANGE) as typing would.
    void type(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }
    std::string text(int id) const;
    // Returns once the button's handler has run.
    void click(int id) const { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(item(id))); }
    // As the mouse does: a check box or radio button changes its own state first.
    void press(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }
    bool open() const { return IsWindow(dialog_) && IsWindowVisible(dialog_); }
    // The controls in the order given: a check box or radio button "[x]" or "[ ]", a push
    // button its text (no '&'), any other its text in quotes; "(disabled)" after a disabled
    // one, ">" before the one with the keyboard focus.
    std::string state(std::initializer_list<int> ids) const;
    void play(const std::vector<Step>& steps, std::initializer_list<int> ids) const;

private:
    HWND dialog_;
};

bool Eventually(const std::function<bool()>& condition);  // polls for up to 20 s

// The programs the work starts (this program's CreateProcessA, refused: file not found),
// "directory|command line" each.
std::string StartsOf(const std::function<void()>& work);

// Runs the dialog modally here and the script on a driver thread once it shows; answers the
// end code (-1: not created; -2: the script left it open, then cancelled).
INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure,
                  const std::function<void(DialogDriver&)>& script);
