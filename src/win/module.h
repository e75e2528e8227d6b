// The module object: the program's instance handle (where dialogs, menus and
// icons are loaded from) and the table of message loops by thread id.
#pragma once

#include <windows.h>

#include <map>

class CMessageLoop;

class CAppModule {
 public:
  CAppModule();
  ~CAppModule();
  CAppModule(const CAppModule&) = delete;
  CAppModule& operator=(const CAppModule&) = delete;

  void Init(HINSTANCE instance);
  void Term();
  HINSTANCE ResourceInstance() const { return instance_; }

  // Registers the loop under the current thread's id; false if the thread
  // has one already.
  bool AddMessageLoop(CMessageLoop* loop);
  bool RemoveMessageLoop();
  // The loop of the given thread (default: the current one), or null.
  CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

 private:
  HINSTANCE instance_ = nullptr;
  CRITICAL_SECTION lock_;
  std::map<DWORD, CMessageLoop*> loops_;
};

// The one module object of the process.
CAppModule& TheModule();

// Registers a loop with the module for one scope.
class MessageLoopRegistration {
 public:
  explicit MessageLoopRegistration(CMessageLoop* loop) : added_(TheModule().AddMessageLoop(loop)) {}
  ~MessageLoopRegistration() {
    if (added_) TheModule().RemoveMessageLoop();
  }
  MessageLoopRegistration(const MessageLoopRegistration&) = delete;
  MessageLoopRegistration& operator=(const MessageLoopRegistration&) = delete;

 private:
  bool added_;
};
