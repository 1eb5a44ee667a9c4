// Runs a library dialog as the library does while a driver thread works it as a user would.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A user's action and the state after it: 't' types UTF-8 text into id (EN_CHANGE follows, as typing),
// 'k' types it key by key (the box's limit holds),
// 'p' presses a check box or radio button, 'c' clicks a button, 'h' presses F1, 's' selects the
// item with that text in a list box (added to its selection) or combo box, 'o' clicks a button
// that opens a dialog of its own (id 0: waits for one to open; after the dialog closed, for the
// next one its opener shows): the steps after it work that dialog
// until one closes it (its state line has those of the controls given that it holds).
// '-' only looks. The state is "closed" when the dialog must have ended, "" not looked at, else
// the line of the controls given to RunDialog: a check box or radio button "[x]" or "[ ]", a
// push button its text (no '&'), a list box its items "{a|*b}" (* selected), any other its
// text in quotes; "(disabled)" after a disabled one, ">" before the focused one.
struct Step { char action; int id; std::string text, state; };

// Runs the dialog modally here and the steps on a driver thread once it shows (its handle in
// *shown); answers the end code (-1: not created; -2: the steps left it open, then cancelled).
INT_PTR RunDialog(HMODULE module, int templateId, HWND owner, DLGPROC procedure, const std::vector<Step>& steps,
                  std::initializer_list<int> ids, HWND* shown = nullptr);

// The same around any work that opens a dialog owned by owner (a ConfigDSN call, say).
INT_PTR DriveDialog(HWND owner, const std::function<INT_PTR()>& open, const std::vector<Step>& steps,
                    std::initializer_list<int> ids, HWND* shown = nullptr);

// The programs the work starts by the module's CreateProcessA (refused; none: this program's),
// "directory|command line" each.
std::string StartsOf(const std::function<void()>& work, HMODULE module = nullptr);
