// The main window: the borderless panel that plays the module while it is open.
#pragma once

#include <windows.h>

namespace app::win32 {

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The About box, opened modally over the main window.
INT_PTR CALLBACK aboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window's fade-out on close, in milliseconds.
constexpr DWORD FADE_OUT_MS = 1792;

}  // namespace app::win32
