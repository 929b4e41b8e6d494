// The About box: credits scrolling over animated red noise, drawn off-screen into a 32-bit
// section on a 30 ms timer and copied to the window on paint.
#include <cstdint>

#include "app/credits.h"
#include "app/layout.h"
#include "app/random.h"
#include "app/scroller.h"
#include "app/templates.h"
#include "app/win32/drawing_objects.h"
#include "app/win32/main_window.h"

namespace app::win32 {

namespace {

constexpr UINT_PTR FRAME_TIMER = 1;
constexpr UINT FRAME_PERIOD_MS = 30;

// One per opening of the box.
struct FrameBuffer {
  HBITMAP section;
  std::uint32_t* pixels;  // bottom-up rows of FRAME_WIDTH pixels
  HDC dc;
  HGDIOBJ oldBitmap;
  HFONT font;
  HGDIOBJ oldFont;
};

FrameBuffer frameBuffer;
ScrollerState scroller;  // the page on show outlives the box

bool createFrameBuffer(HWND window) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = FRAME_WIDTH;
  info.bmiHeader.biHeight = FRAME_HEIGHT;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC windowDc = GetDC(window);
  void* bits = nullptr;
  frameBuffer.section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  frameBuffer.dc = CreateCompatibleDC(windowDc);
  ReleaseDC(window, windowDc);
  if (frameBuffer.section == nullptr || frameBuffer.dc == nullptr) return false;
  frameBuffer.pixels = static_cast<std::uint32_t*>(bits);
  frameBuffer.oldBitmap = SelectObject(frameBuffer.dc, frameBuffer.section);
  frameBuffer.font = CreateFontA(18, 0, 0, 0, 800, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_CHARACTER_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                 DEFAULT_PITCH, "arial");
  frameBuffer.oldFont = SelectObject(frameBuffer.dc, frameBuffer.font);
  SetBkMode(frameBuffer.dc, TRANSPARENT);
  SetTextColor(frameBuffer.dc, TEXT_COLOUR);
  SetTextAlign(frameBuffer.dc, TA_RIGHT | TA_TOP);
  return true;
}

void releaseFrameBuffer() {
  if (frameBuffer.dc != nullptr) {
    if (frameBuffer.oldFont != nullptr) SelectObject(frameBuffer.dc, frameBuffer.oldFont);
    if (frameBuffer.oldBitmap != nullptr) SelectObject(frameBuffer.dc, frameBuffer.oldBitmap);
    DeleteDC(frameBuffer.dc);
  }
  if (frameBuffer.font != nullptr) DeleteObject(frameBuffer.font);
  if (frameBuffer.section != nullptr) DeleteObject(frameBuffer.section);
  frameBuffer = FrameBuffer{};
}

void renderOneFrame() {
  if (frameBuffer.pixels == nullptr) return;
  GdiFlush();  // drawing still queued for the section lands before the pixels are rewritten
  renderFrame(scroller, noiseGenerator, frameBuffer.pixels, FRAME_WIDTH, [](const TextLine& line) {
    TextOutA(frameBuffer.dc, line.right, line.top, line.text, line.length);
  });
}

void openBox(HWND window) {
  Seed(noiseGenerator, GetTickCount());
  if (scroller.credits == nullptr) startCredits(scroller, CREDITS);
  openScroller(scroller);
  createFrameBuffer(window);
  SetTimer(window, FRAME_TIMER, FRAME_PERIOD_MS, nullptr);
}

}  // namespace

INT_PTR CALLBACK aboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      openBox(window);
      return 0;
    case WM_TIMER: {
      if (wParam != FRAME_TIMER) return 0;
      renderOneFrame();
      const RECT area{ANIMATION_AREA.x, ANIMATION_AREA.y, ANIMATION_AREA.x + ANIMATION_AREA.width,
                      ANIMATION_AREA.y + ANIMATION_AREA.height};
      InvalidateRect(window, &area, FALSE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (frameBuffer.dc != nullptr) {
        BitBlt(dc, ANIMATION_AREA.x, ANIMATION_AREA.y, FRAME_WIDTH, FRAME_HEIGHT, frameBuffer.dc,
               0, 0, SRCCOPY);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CLOSE_BUTTON) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE:
      EndDialog(window, 0);
      return 0;
    case WM_DESTROY:
      KillTimer(window, FRAME_TIMER);
      releaseFrameBuffer();
      return 0;
    case WM_DRAWITEM:
      drawOwnerButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      return 0;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(drawingObjects.black);
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wParam), 0xFFFFFF);
      return reinterpret_cast<INT_PTR>(drawingObjects.black);
    default:
      return 0;
  }
}

}  // namespace app::win32
