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

// The screen rectangle that the thread's visible notices cover together (an
// outer notice with a nested one over it, say).
RECT VisibleNoticesRect();

// Saves what the screen shows inside `area` as a 24-bit BMP.
bool SaveScreenImage(const RECT& area, const std::string& path);

}  // namespace tovrel::host
