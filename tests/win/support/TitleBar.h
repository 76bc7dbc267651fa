// tests/win/support/TitleBar.h
// Real mouse input on title-bar buttons, as a user's mouse makes it: the system hit-tests,
// captures and delivers the clicks itself.
#pragma once

#include <windows.h>

#include <functional>

class TvyCustomCaptionButton;

// The screen point in the middle of a button as it was last painted.
POINT CaptionButtonCentre(const TvyCustomCaptionButton& button);
// Moves the pointer there and waits until it rests there with arrived() true.
bool MoveMouseTo(POINT p, const std::function<bool()>& arrived = [] { return true; });
// One mouse event (MOUSEEVENTF_LEFTDOWN and the like) at the pointer; pumps messages until
// seen() says the program has handled it, for at most timeoutMs.
bool MouseEvent(DWORD flags, const std::function<bool()>& seen, DWORD timeoutMs = 2000);
// A left click on a button: pressed (the button captures the mouse), then released.
bool ClickCaptionButton(TvyCustomCaptionButton& button);
