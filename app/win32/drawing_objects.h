// The brushes and the pen both windows draw with, made when the main window starts and deleted
// when it shuts down; the About box borrows them while it is open.
#pragma once

#include <windows.h>

#include "app/button_look.h"

namespace app::win32 {

struct DrawingObjects {
  HBRUSH black;
  HBRUSH blueA;  // disabled buttons
  HBRUSH blueB;  // buttons at rest
  HPEN whitePen;
};

extern DrawingObjects drawingObjects;

// In this order: black brush, blue brush A, blue brush B, white pen.
void createDrawingObjects();
// Pen first, then blue brush B, blue brush A and the black brush.
void deleteDrawingObjects();

HBRUSH fillBrush(ButtonFill fill);

// Paints an owner-drawn button of either window in its state's look.
void drawOwnerButton(const DRAWITEMSTRUCT& item);

}  // namespace app::win32
