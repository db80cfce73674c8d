// Finding and reading the module's notices from the host's side: a notice is
// a dialog-class top-level window of the thread with a static for the message
// and an OK button.
#pragma once

#include <windows.h>

#include <string>

namespace tovrel::host {

// The calling thread's notice that takes input now (the innermost one), or
// null when none is up.
HWND FindActiveNotice();

std::string WindowText(HWND window);

// The message as the notice's static control holds it.
std::string NoticeMessage(HWND notice);

HWND NoticeOkButton(HWND notice);

// Dismisses the notice as its OK button would.
void PressOk(HWND notice);

// Saves what the screen shows of `window` (frame included) as a 24-bit BMP.
bool SaveWindowImage(HWND window, const std::string& path);

}  // namespace tovrel::host
