// Runs a library dialog as the library does (DialogBoxParamA on its template, with an owner)
// while a driver thread works it as a user would and reads it back as one line.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A user's action and the state after it: 't' types text into id (EN_CHANGE follows, as typing),
// 'p' presses a check box or radio button (it changes itself first, as the mouse does), 'c' clicks
// a button, 'h' presses F1, '-' only looks. The state is the line of the controls given to play(),
// "closed" when the dialog must have ended, "" not looked at.
struct Step { char action; int id; std::string text, state; };

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
    HWND dialog() const { return dialog_; }
    // The controls in the order given: a check box or radio button "[x]" or "[ ]", a push
    // button its text (no '&'), any other its text in quotes; "(disabled)" after a disabled
    // one, ">" before the one with the keyboard focus.
    std::string state(std::initializer_list<int> ids) const;
    void play(const std::vector<Step>& steps, std::initializer_list<int> ids) const;

private:
    HWND dialog_;
};

// The programs the work starts (this program's CreateProcessA, refused: file not found),
// "directory|command line" each.
std::string StartsOf(const std::function<void()>& work);

// Runs the dialog modally here and the script on a driver thread once it shows; answers the
// end code (-1: not created; -2: the script left it open, then cancelled).
INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure,
                  const std::function<void(DialogDriver&)>& script);
