// The thread's message loop with its message filters and idle handlers.
#pragma once

#include <windows.h>

#include <vector>

class CMessageFilter {
 public:
  virtual ~CMessageFilter() = default;
  // True when the filter took the message; it is then neither translated
  // nor dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
 public:
  virtual ~CIdleHandler() = default;
  // False when the handler has nothing more to do until the next message.
  virtual bool OnIdle() = 0;
};

class CWaitHandler {
 public:
  virtual ~CWaitHandler() = default;
  // The handle it waits on is signalled. The handler must reset it (or
  // remove it), or the loop comes back at once.
  virtual void OnSignalled(HANDLE handle) = 0;
};

class CMessageLoop {
 public:
  CMessageLoop() = default;
  virtual ~CMessageLoop() = default;
  CMessageLoop(const CMessageLoop&) = delete;
  CMessageLoop& operator=(const CMessageLoop&) = delete;

  // Filters and handlers may be added and removed at any time, also from
  // inside one of their own calls.
  void AddMessageFilter(CMessageFilter* filter);
  bool RemoveMessageFilter(CMessageFilter* filter);
  void AddIdleHandler(CIdleHandler* handler);
  bool RemoveIdleHandler(CIdleHandler* handler);
  // Handles the loop waits on beside the messages (MsgWaitForMultipleObjectsEx),
  // on the loop's own thread: a change notification is served between two
  // messages like a timer. Modal loops (dialogs, menus, message boxes) do
  // not wait on them; a handle signalled meanwhile is served when they end.
  // False when the loop waits on that handle already or on as many as it can.
  bool AddWaitHandle(HANDLE handle, CWaitHandler* handler);
  bool RemoveWaitHandle(HANDLE handle);

  // Runs until WM_QUIT and returns its wParam.
  int Run();

  // Offers the message to the filters, last registered first.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // One round of idle processing (idleCount counts the rounds since the last
  // message that armed idle processing): calls the idle handlers in
  // registration order and returns false as soon as one returns false.
  // With no handler there is nothing to do: false.
  virtual bool OnIdle(int idleCount);
  // Whether the message arms idle processing again. Mouse moves, paints and
  // the caret-blink timer arrive all the time and do not.
  static bool IsIdleMessage(const MSG& msg);

 private:
  struct Wait {
    HANDLE handle;
    CWaitHandler* handler;
  };
  // GetMessageW's result: takes the next posted message, serving the
  // signalled handles while none comes.
  BOOL NextMessage(MSG& msg);

  std::vector<CMessageFilter*> filters_;
  std::vector<CIdleHandler*> idleHandlers_;
  std::vector<Wait> waits_;
};
