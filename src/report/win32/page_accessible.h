// What a screen reader reads of a report page. The page answers WM_GETOBJECT
// for its client area with an object of its own: the system's standard
// object for the window (its place, state, parent and focus), with the name
// and the value the page gives it.
#pragma once

#include <windows.h>

#include "base/text.h"

// The page a client object reads, found through its window at each call:
// a client may hold the object after the window is gone.
class AccessibleSource {
 public:
  virtual ~AccessibleSource() = default;
  virtual Text AccessibleName() const = 0;
  virtual Text AccessibleValue() const = 0;
};

// The answer to WM_GETOBJECT for `window`'s client area (OBJID_CLIENT):
// an object reference for the client, or 0 (false) when the object cannot
// be made (no accessibility library), and the default answer stands.
bool AnswerClientObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Tells listening clients that the value of `window`'s client object changed.
void RaiseValueChange(HWND window);
