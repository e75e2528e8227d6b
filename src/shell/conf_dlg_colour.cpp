// The settings dialog's colour button, drawn by the dialog itself.
#include "shell/conf_dlg.h"

#include "win/handles.h"

void DrawColourButton(HDC dc, const RECT& rect, COLORREF colour) {
  OwnedBrush brush(::CreateSolidBrush(colour));
  OwnedPen black(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  OwnedPen grey(::CreatePen(PS_SOLID, 1, RGB(200, 200, 200)));
  if (brush) ::FillRect(dc, &rect, brush.Get());
  // Lines include their first point and not their last; every line starts
  // inside the rectangle, so nothing is drawn outside it.
  if (black) {
    ScopedSelect select(dc, black.Get());
    ::MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
    ::LineTo(dc, rect.left, rect.top);
    ::LineTo(dc, rect.right, rect.top);
  }
  if (grey) {
    // On the last row and column inside: right and bottom are exclusive.
    ScopedSelect select(dc, grey.Get());
    ::MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
    ::LineTo(dc, rect.right - 1, rect.bottom - 1);
    ::LineTo(dc, rect.right - 1, rect.top);
  }
}
