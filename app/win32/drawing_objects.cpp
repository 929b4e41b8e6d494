#include "app/win32/drawing_objects.h"

#include "app/colours.h"

namespace app::win32 {

DrawingObjects drawingObjects;

void createDrawingObjects() {
  drawingObjects.black = CreateSolidBrush(BLACK);
  drawingObjects.blueA = CreateSolidBrush(BUTTON_BLUE);
  drawingObjects.blueB = CreateSolidBrush(BUTTON_BLUE);
  drawingObjects.whitePen = CreatePen(PS_INSIDEFRAME, 1, WHITE);
}

void deleteDrawingObjects() {
  DeleteObject(drawingObjects.whitePen);
  DeleteObject(drawingObjects.blueB);
  DeleteObject(drawingObjects.blueA);
  DeleteObject(drawingObjects.black);
  drawingObjects = DrawingObjects{};
}

HBRUSH fillBrush(ButtonFill fill) {
  switch (fill) {
    case ButtonFill::PRESSED:
      return drawingObjects.black;
    case ButtonFill::DISABLED:
      return drawingObjects.blueA;
    case ButtonFill::REST:
      break;
  }
  return drawingObjects.blueB;
}

void drawOwnerButton(const DRAWITEMSTRUCT& item) {
  const ButtonLook look = buttonLook(ButtonState{(item.itemState & ODS_SELECTED) != 0,
                                                 (item.itemState & ODS_DISABLED) != 0,
                                                 (item.itemState & ODS_FOCUS) != 0});
  HDC dc = item.hDC;
  SetTextColor(dc, look.textColour);
  SelectObject(dc, fillBrush(look.fill));
  SelectObject(dc, drawingObjects.whitePen);

  RECT rect = item.rcItem;
  FillRect(dc, &rect, drawingObjects.black);
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);

  OffsetRect(&rect, look.captionOffset, look.captionOffset);
  char caption[CAPTION_CHARS + 1] = {};
  GetWindowTextA(item.hwndItem, caption, sizeof caption);
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, caption, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  OffsetRect(&rect, -look.captionOffset, -look.captionOffset);

  if (look.focusRectangle) {
    InflateRect(&rect, -FOCUS_INSET, -FOCUS_INSET);
    DrawFocusRect(dc, &rect);
  }
}

}  // namespace app::win32
