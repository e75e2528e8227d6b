// What a screen reader reads of a report page: a list whose items are the
// page's days. The page answers WM_GETOBJECT for its client area with an
// object of its own, made at the first question and handed to every client
// after it; each item is a simple element of that object (child id = index
// + 1), named with that day's text when a client asks for it. The page takes
// the focus and moves the current item with the keyboard; the events below
// tell the clients.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "base/text.h"
#include "win/library_search.h"

// The list a client object reads: asked on the window's thread at each call,
// only after the object has checked that the window is still the list's.
class AccessibleList {
 public:
  virtual ~AccessibleList() = default;
  virtual Text ListName() const = 0;
  virtual int ItemCount() const = 0;
  // Built when asked for; index is within 0 to ItemCount() - 1.
  virtual Text ItemName(int index) const = 0;
  // Where the item lies, in the window's client coordinates.
  virtual RECT ItemRect(int index) const = 0;
  // The item that has the focus while the window has it, and the selection.
  virtual int CurrentItem() const = 0;
  virtual void SelectItem(int index) = 0;
};

// The item beside `index` in a direction of accNavigate: NAVDIR_NEXT and
// NAVDIR_PREVIOUS in list order, NAVDIR_UP, NAVDIR_DOWN, NAVDIR_LEFT and
// NAVDIR_RIGHT by the items' places (the nearest one above, below, ... in
// line with it); -1 when there is none. The keyboard moves by the same rule.
int ItemBeside(const AccessibleList& list, int index, long direction);

// The client object of one window. The window's owner answers WM_GETOBJECT
// through it and disconnects it when the window is destroyed: from then on
// every call of a client that still holds the object fails with
// RPC_E_DISCONNECTED (or, through a proxy, CO_E_OBJNOTCONNECTED).
class ClientObject {
 public:
  ClientObject() = default;
  ~ClientObject() { Disconnect(); }
  ClientObject(const ClientObject&) = delete;
  ClientObject& operator=(const ClientObject&) = delete;

  // The answer to WM_GETOBJECT for `window`'s client area (OBJID_CLIENT):
  // an object reference for the client, or false when the object cannot be
  // made (no accessibility library), and the default answer stands.
  bool Answer(HWND window, AccessibleList& list, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Whether a client has asked (and the object exists): a run without a
  // screen reader raises no events of its making.
  bool Asked() const { return object_ != nullptr; }
  // For good: a question that comes while the window is being destroyed
  // gets the default answer, not a new object.
  void Disconnect();

 private:
  IAccessible* object_ = nullptr;
  bool closed_ = false;
};

// EVENT_OBJECT_SELECTION for the item, and EVENT_OBJECT_FOCUS when the
// window has the focus: a screen reader speaks the focused item.
void RaiseItemSelected(HWND window, int index);
// EVENT_OBJECT_NAMECHANGE for the item.
void RaiseItemNameChange(HWND window, int index);

// Loads the accessibility library (oleacc.dll, no KnownDLL) from the system
// directory as the spooler is loaded; `load` and `searchFlags` as for
// library_search::LoadFromSystem, so that tests see what the call is given.
HMODULE LoadAccessibilityLibrary(library_search::LoadLibraryExFn load, bool searchFlags);
