// The Win32 file system with its two renames passed through an object that
// tests replace, to show what a replace does when a file system refuses
// one: the POSIX rename (SetFileInformationByHandle) and the older one
// (MoveFileExW).
#pragma once

#include <windows.h>

#include <memory>

#include "base/files.h"

class RenameCalls {
 public:
  virtual ~RenameCalls() = default;
  // SetFileInformationByHandle; fails with ERROR_CALL_NOT_IMPLEMENTED where
  // the system lacks it (before Windows Vista).
  virtual BOOL SetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info,
                              DWORD size);
  // MoveFileExW.
  virtual BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags);
};

// A file system of its own (what it learnt of each folder's renames
// included) that renames through `calls`, which must outlive it.
std::unique_ptr<FileSystem> NewWin32FileSystem(RenameCalls& calls);
