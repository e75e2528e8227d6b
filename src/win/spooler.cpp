#include "win/spooler.h"

#include <string>

#include "win/library_search.h"

namespace spooler {
namespace {

using OpenPrinterFn = BOOL(WINAPI*)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
using GetPrinterFn = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
using ClosePrinterFn = BOOL(WINAPI*)(HANDLE);

struct Functions {
  OpenPrinterFn openPrinter = nullptr;
  GetPrinterFn getPrinter = nullptr;
  ClosePrinterFn closePrinter = nullptr;
  DWORD missingError = ERROR_PROC_NOT_FOUND;  // the last error of a call whose function is missing
};

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& fn) {
  // The usual two-step cast: GetProcAddress hands every export out as FARPROC.
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Loaded at the first call (printing is rare; the loader's work is not wanted
// at start-up). The library then stays loaded for the rest of the run, as an
// imported one would.
const Functions& Loaded() {
  static const Functions functions = [] {
    Functions f;
    const HMODULE module =
        Load(::LoadLibraryExW, library_search::FindSetDefaultDllDirectories() != nullptr);
    if (!module) {
      if (const DWORD error = ::GetLastError()) f.missingError = error;
      return f;
    }
    Find(module, "OpenPrinterW", f.openPrinter);
    Find(module, "GetPrinterW", f.getPrinter);
    Find(module, "ClosePrinter", f.closePrinter);
    return f;
  }();
  return functions;
}

BOOL Missing(const Functions& f) {
  ::SetLastError(f.missingError);
  return FALSE;
}

}  // namespace

std::wstring LibraryPath() { return library_search::SystemLibraryPath(L"winspool.drv"); }

HMODULE Load(LoadLibraryExFn load, bool searchFlags) {
  return library_search::LoadFromSystem(L"winspool.drv", load, searchFlags);
}

BOOL OpenPrinterW(const wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
  if (printer) *printer = nullptr;
  const Functions& f = Loaded();
  return f.openPrinter ? f.openPrinter(const_cast<wchar_t*>(name), printer, defaults) : Missing(f);
}

BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  const Functions& f = Loaded();
  return f.getPrinter ? f.getPrinter(printer, level, buffer, size, needed) : Missing(f);
}

BOOL ClosePrinter(HANDLE printer) {
  const Functions& f = Loaded();
  return f.closePrinter ? f.closePrinter(printer) : Missing(f);
}

}  // namespace spooler
