// Window and dialog classes. Each window object has one message-dispatch
// operation, ProcessWindowMessage, whose handlers are member functions; what
// it does not take goes to the default processing (the superclassed or
// subclassed procedure, DefWindowProcW, or the dialog manager).
#pragma once

#include <windows.h>

// A window handle with a few conveniences; owns nothing.
class CWindow {
 public:
  CWindow() = default;
  explicit CWindow(HWND hwnd) : hwnd_(hwnd) {}
  virtual ~CWindow() = default;

  HWND Hwnd() const { return hwnd_; }
  bool IsWindow() const { return hwnd_ && ::IsWindow(hwnd_); }
  bool ShowWindow(int command) const { return ::ShowWindow(hwnd_, command) != FALSE; }
  bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, msg, wParam, lParam);
  }

 protected:
  HWND hwnd_ = nullptr;
};

// The dispatch operation shared by windows and dialogs.
class CMessageMap {
 public:
  virtual ~CMessageMap() = default;
  // Returns true when a handler took the message and sets result to the
  // handler's value; false sends the message on to the default processing.
  virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) = 0;
};

// Base of every window object that the framework binds to its HWND.
class CBoundWindow : public CWindow, public CMessageMap {
 public:
  // The object whose window this is, or null.
  static CBoundWindow* FromHandle(HWND hwnd);

 protected:
  // Called once the window has received its last message (WM_NCDESTROY) and
  // the object has let go of it. The object may delete itself here.
  virtual void OnFinalMessage(HWND /*hwnd*/) {}

  // The binding of HWND to object: set when the window procedure first sees
  // the window, cleared after WM_NCDESTROY or when the object lets go early.
  void Bind(HWND hwnd);
  void Unbind();
};

// A window of a class registered by the program, or an existing window
// (a dialog's control) subclassed into the object.
class CWindowImpl : public CBoundWindow {
 public:
  CWindowImpl() = default;
  ~CWindowImpl() override;
  CWindowImpl(const CWindowImpl&) = delete;
  CWindowImpl& operator=(const CWindowImpl&) = delete;

  // Registers the class once (its name from WindowClassName) and creates the
  // window; the object is bound from WM_NCCREATE on. Null on failure.
  HWND Create(HWND parent, const RECT& rect, const wchar_t* title, DWORD style,
              DWORD exStyle = 0, UINT id = 0);
  // Replaces the window's procedure with the object's; messages the object
  // does not take go to the old procedure. False when the window is bound to
  // an object already or cannot be subclassed.
  bool SubclassWindow(HWND hwnd);
  // Puts the old procedure back and lets go of the window.
  HWND UnsubclassWindow();
  bool DestroyWindow();

 protected:
  virtual const wchar_t* WindowClassName() const { return L"DorvaneWindow"; }
  virtual UINT WindowClassStyle() const { return CS_HREDRAW | CS_VREDRAW; }
  // The default processing of a message no handler took.
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  WNDPROC superProc_ = ::DefWindowProcW;
};

// A dialog built from a dialog resource of the module. The object is bound
// at WM_INITDIALOG (from its lParam); earlier messages (WM_SETFONT, ...) go
// to the dialog manager's defaults.
class CDialogImplBase : public CBoundWindow {
 public:
  explicit CDialogImplBase(int templateId) : templateId_(templateId) {}
  CDialogImplBase(const CDialogImplBase&) = delete;
  CDialogImplBase& operator=(const CDialogImplBase&) = delete;

  int TemplateId() const { return templateId_; }
  DLGPROC GetDialogProc() const { return DialogProc; }

 protected:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  int templateId_;
};

// A modeless dialog (the report window).
class CModelessDialog : public CDialogImplBase {
 public:
  using CDialogImplBase::CDialogImplBase;
  // A window still alive when the object ends is let go and destroyed
  // without its handlers: derived classes that need WM_DESTROY handled
  // destroy their window in their own destructor.
  ~CModelessDialog() override;

  // CreateDialogParamW; WM_INITDIALOG runs before it returns. Null on failure.
  HWND Create(HWND parent);
  bool DestroyWindow();
};

// A modal dialog (editor, settings, About).
class CModalDialog : public CDialogImplBase {
 public:
  using CDialogImplBase::CDialogImplBase;

  // DialogBoxParamW: returns the value given to EndDialog, or -1 when the
  // dialog could not be created.
  INT_PTR DoModal(HWND owner);
  bool EndDialog(INT_PTR result);
};
