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
  std::vector<CMessageFilter*> filters_;
  std::vector<CIdleHandler*> idleHandlers_;
};
