// The process: one modal dialog for its whole life, then exit code 0.
#include <windows.h>

#include "app/templates.h"
#include "app/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, app::win32::mainWindowProc, 0);
  ExitProcess(0);
}
