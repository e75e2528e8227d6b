// What a replace does when Windows refuses its rename with POSIX semantics
// (SetFileInformationByHandle with FileRenameInfoEx). Portable, so that the
// rule is tested on every platform; the codes are Win32's.
#pragma once

#include <cstdint>

// The two codes the rule tells apart (winerror.h).
constexpr uint32_t kWin32SharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr uint32_t kWin32LockViolation = 33;     // ERROR_LOCK_VIOLATION

enum class AfterRefusal {
  // Another program holds the target without sharing delete access: the
  // older rename would fail the same way, and waiting may help.
  kWait,
  // Anything else: the older rename (MoveFileExW) is tried once.
  kFallBack,
};

// Only a hold is told apart: what else a refusal answers is up to the file
// system and its driver. FAT answers ERROR_INVALID_PARAMETER or
// ERROR_NOT_SUPPORTED, exFAT ERROR_FILE_SYSTEM_LIMITATION, shares
// ERROR_INVALID_FUNCTION or ERROR_ACCESS_DENIED, and the drivers of
// encrypted volumes, cloud drives and virtual machines' shared folders what
// they like. A code missed here would leave the history in the pending file
// for good.
inline AfterRefusal AfterPosixRenameRefused(uint32_t win32Error) {
  return win32Error == kWin32SharingViolation || win32Error == kWin32LockViolation
             ? AfterRefusal::kWait
             : AfterRefusal::kFallBack;
}
