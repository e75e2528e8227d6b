#include "app/single_instance.h"

#include "shell/main_dlg.h"

const wchar_t kInstanceMutexName[] = L"Local\\Dorvane.SingleInstance";

bool AnotherCopyRunning(OwnedKernelHandle& mutex) {
  // Only the dialog class: a folder window of that title (a folder named
  // after the report) is no copy of the program.
  if (::FindWindowW(L"#32770", kReportTitle)) return true;
  mutex.Reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  DWORD error = ::GetLastError();
  if (mutex && error == ERROR_ALREADY_EXISTS) {
    mutex.Reset();
    return true;
  }
  // A mutex that exists but cannot be opened belongs to another copy as
  // well. Any other failure leaves the window test alone to decide.
  return !mutex && error == ERROR_ACCESS_DENIED;
}
