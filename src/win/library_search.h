// Where the libraries the program loads at run time come from: the system
// directory, never the program's folder or the current directory, which for
// a download is Downloads.
#pragma once

#include <windows.h>

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

}  // namespace library_search
