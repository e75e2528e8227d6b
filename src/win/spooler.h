// The print spooler's calls that printing makes, from winspool.drv loaded at
// the first call by its full path in the system directory. winspool.drv is
// no KnownDLL: imported, it would be looked for in the program's folder
// before the program's first line runs, so a file of that name left in
// Downloads would run at every start.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

#include "win/library_search.h"

namespace spooler {

// The spooler's functions of the same names. When the library or a function
// cannot be had they fail: FALSE with ERROR_PROC_NOT_FOUND (or the loader's
// error) as the last error, and no handle.
BOOL OpenPrinterW(const wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW* defaults);
BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
BOOL ClosePrinter(HANDLE printer);

// The full path the library is loaded from: the system directory's
// winspool.drv; empty when the system directory cannot be had.
std::wstring LibraryPath();

// Loads the library from LibraryPath() with `load` (LoadLibraryExW; tests
// pass a recorder), with LOAD_LIBRARY_SEARCH_SYSTEM32 where the system has
// the search flags (SetDefaultDllDirectories exists).
using LoadLibraryExFn = library_search::LoadLibraryExFn;
HMODULE Load(LoadLibraryExFn load, bool searchFlags);

}  // namespace spooler
