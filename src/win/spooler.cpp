#include "win/spooler.h"

#include <string>

#include "base/unique_handle.h"

namespace spooler {
namespace {

struct ModuleTraits : PlainHandle<HMODULE> {
  static void Close(HMODULE module) { ::FreeLibrary(module); }
};

using OpenPrinterFn = BOOL(WINAPI*)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
using GetPrinterFn = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
using ClosePrinterFn = BOOL(WINAPI*)(HANDLE);

template <typename Fn>
Fn Find(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // The usual two-step cast: GetProcAddress hands every export out as FARPROC.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The library and its functions for the rest of the run, loaded at the first
// call (printing is rare; the loader's work is not wanted at start-up).
class Library {
 public:
  Library() {
    const std::wstring path = LibraryPath();
    // The full path, and its dependencies searched from the system
    // directory first, also where SetDefaultDllDirectories is missing
    // (Windows 7 without its update).
    if (!path.empty()) {
      module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
    loadError_ = module_ ? ERROR_SUCCESS : ::GetLastError();
    openPrinter = Find<OpenPrinterFn>(module_.Get(), "OpenPrinterW");
    getPrinter = Find<GetPrinterFn>(module_.Get(), "GetPrinterW");
    closePrinter = Find<ClosePrinterFn>(module_.Get(), "ClosePrinter");
  }

  // The failure of a call whose function is missing.
  BOOL Missing() const {
    ::SetLastError(loadError_ != ERROR_SUCCESS ? loadError_ : ERROR_PROC_NOT_FOUND);
    return FALSE;
  }

  OpenPrinterFn openPrinter = nullptr;
  GetPrinterFn getPrinter = nullptr;
  ClosePrinterFn closePrinter = nullptr;

 private:
  UniqueHandle<ModuleTraits> module_;
  DWORD loadError_ = ERROR_SUCCESS;
};

const Library& TheLibrary() {
  static const Library library;
  return library;
}

}  // namespace

std::wstring LibraryPath() {
  wchar_t directory[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring path(directory, length);
  if (path.back() != L'\\') path += L'\\';
  return path + L"winspool.drv";
}

BOOL OpenPrinterW(const wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
  if (printer) *printer = nullptr;
  const Library& library = TheLibrary();
  if (!library.openPrinter) return library.Missing();
  return library.openPrinter(const_cast<wchar_t*>(name), printer, defaults);
}

BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  const Library& library = TheLibrary();
  if (!library.getPrinter) return library.Missing();
  return library.getPrinter(printer, level, buffer, size, needed);
}

BOOL ClosePrinter(HANDLE printer) {
  const Library& library = TheLibrary();
  if (!library.closePrinter) return library.Missing();
  return library.closePrinter(printer);
}

}  // namespace spooler
