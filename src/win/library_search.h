// Where the libraries the program loads at run time come from: the system
// directory, never the program's folder or the current directory, which for
// a download is Downloads.
#pragma once

#include <windows.h>

#include <string>

namespace library_search {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);

// kernel32's SetDefaultDllDirectories, or null: it is missing on Windows 7
// without its update, and so are LoadLibraryExW's LOAD_LIBRARY_SEARCH_*
// flags, which come with it.
SetDefaultDllDirectoriesFn FindSetDefaultDllDirectories();

// Every library loaded from here on (the file and print dialogs, printer
// drivers, the shell's) is searched for in the system directory only. Where
// setDefault is missing, setDirectory(L"") at least takes the current
// directory out of the search. The functions are passed in so that tests can
// see what they are given.
void Narrow(SetDefaultDllDirectoriesFn setDefault, SetDllDirectoryFn setDirectory);

// The full path of the system directory's library `name`; empty when the
// system directory cannot be had.
std::wstring SystemLibraryPath(const wchar_t* name);

// Loads the system directory's library `name` by its full path with `load`
// (LoadLibraryExW; tests pass a recorder), with LOAD_LIBRARY_SEARCH_SYSTEM32
// where the system has the search flags (SetDefaultDllDirectories exists).
// For the libraries the program does not import because they are no
// KnownDLLs (the spooler, the accessibility library): imported, they would
// be looked for in the program's folder first.
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
HMODULE LoadFromSystem(const wchar_t* name, LoadLibraryExFn load, bool searchFlags);

}  // namespace library_search
