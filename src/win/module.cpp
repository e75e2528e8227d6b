#include "win/module.h"

namespace {
class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { ::EnterCriticalSection(&cs_); }
  ~Lock() { ::LeaveCriticalSection(&cs_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION& cs_;
};
}  // namespace

CAppModule::CAppModule() { ::InitializeCriticalSection(&lock_); }
CAppModule::~CAppModule() { ::DeleteCriticalSection(&lock_); }

void CAppModule::Init(HINSTANCE instance) { instance_ = instance; }

void CAppModule::Term() {
  Lock lock(lock_);
  loops_.clear();
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
  Lock lock(lock_);
  return loops_.emplace(::GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop() {
  Lock lock(lock_);
  return loops_.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
  Lock lock(lock_);
  auto it = loops_.find(threadId);
  return it == loops_.end() ? nullptr : it->second;
}

CAppModule& TheModule() {
  static CAppModule module;
  return module;
}
