// The player's headers come before the system's, whose wave header flags are macros of the same
// names.
#include "player/load/module_image.h"
#include "player/player.h"

#include "app/win32/main_window.h"

#include <cstdint>

#include "app/colours.h"
#include "app/templates.h"
#include "app/win32/drawing_objects.h"

namespace app::win32 {

namespace {

player::ModuleImage* moduleImage;
// The one player of the program.
player::Engine engine{};

// Cuts the band above the frame control out of the window, when the frame ends higher than the
// dialog; with the shipped template the region is the whole client rectangle.
void shapeWindow(HWND window) {
  RECT client;
  RECT frame;
  GetClientRect(window, &client);
  GetClientRect(GetDlgItem(window, IDC_MAIN_FRAME), &frame);
  HRGN region = CreateRectRgn(client.left, client.top, client.right, client.bottom);
  HRGN band = CreateRectRgn(client.left, 0, client.right, client.bottom - frame.bottom);
  CombineRgn(region, region, band, RGN_XOR);
  DeleteObject(band);
  SetWindowRgn(window, region, TRUE);  // the window owns the region from here on
}

// The module resource behind its 32-bit length; an empty image when there is no resource.
player::ModuleImage* loadModuleImage(HINSTANCE instance) {
  HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(IDR_MODULE), MAKEINTRESOURCEA(10));
  HGLOBAL handle = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const void* bytes = handle != nullptr ? LockResource(handle) : nullptr;
  const DWORD size = bytes != nullptr ? SizeofResource(instance, resource) : 0;
  return player::makeModuleImage(bytes, size);
}

void startUp(HWND window) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  SendMessageA(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON))));
  createDrawingObjects();
  shapeWindow(window);
  moduleImage = loadModuleImage(instance);
  // Without a sound device or with a module the player refuses, the window runs silently.
  if (moduleImage != nullptr) player::playModule(engine, moduleImage);
}

void shutDown() {
  player::playModule(engine, nullptr);  // returns once the thread has ended, the device closed
  player::freeModuleImage(moduleImage);
  moduleImage = nullptr;
  deleteDrawingObjects();
}

}  // namespace

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      startUp(window);
      return 0;
    case WM_COMMAND:
      // Only the two buttons: Escape and Enter (IDCANCEL, IDOK) do nothing.
      if (LOWORD(wParam) == IDC_ABOUT_BUTTON) {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), window,
                        aboutBoxProc, 0);
      } else if (LOWORD(wParam) == IDC_EXIT_BUTTON) {
        shutDown();
        PostQuitMessage(0);
      }
      return 0;
    case WM_CLOSE:
      AnimateWindow(window, FADE_OUT_MS, AW_BLEND | AW_HIDE);  // the music plays on meanwhile
      shutDown();
      EndDialog(window, 0);
      return 0;
    case WM_DRAWITEM:
      drawOwnerButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      // A press anywhere on the panel drags the window, as a press on a caption would.
      SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      return 0;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(drawingObjects.black);
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), BLACK);
      return reinterpret_cast<INT_PTR>(drawingObjects.black);
    default:
      return 0;
  }
}

}  // namespace app::win32
