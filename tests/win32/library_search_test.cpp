#include "win/library_search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/win32/page_accessible.h"
#include "win/spooler.h"

namespace {

// What the loader seams were given (WINAPI pointers: no lambda converts).
DWORD givenFlags = 0;
std::wstring givenPath = L"(not called)";

BOOL WINAPI RecordSetDefault(DWORD flags) {
  givenFlags = flags;
  return TRUE;
}
BOOL WINAPI RecordSetDirectory(LPCWSTR directory) {
  givenPath = directory ? directory : L"(null)";
  return TRUE;
}
HMODULE WINAPI RecordLoad(LPCWSTR path, HANDLE, DWORD flags) {
  givenPath = path;
  givenFlags = flags;
  return nullptr;
}

TEST(LibrarySearch, IsNarrowedToTheSystemDirectoryAndTheCurrentOneDropped) {
  ASSERT_NE(library_search::FindSetDefaultDllDirectories(), nullptr) << "Wine has it, as Windows 8 and later do";
  library_search::Narrow(RecordSetDefault, RecordSetDirectory);
  EXPECT_EQ(givenFlags, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(givenPath, L"");
  givenPath = L"(not called)";
  library_search::Narrow(nullptr, RecordSetDirectory);  // Windows 7 without its update
  EXPECT_EQ(givenPath, L"");
}

// Wine's own dialogs load the spooler first, so each call itself is checked.
TEST(LibrarySearch, LibrariesAreLoadedByTheirFullPathWithTheSearchFlagWhereItExists) {
  const struct {
    HMODULE (*load)(library_search::LoadLibraryExFn, bool);
    const wchar_t* name;
  } libraries[] = {{spooler::Load, L"winspool.drv"}, {LoadAccessibilityLibrary, L"oleacc.dll"}};
  for (const auto& library : libraries) {
    for (const bool searchFlags : {true, false}) {
      givenPath = L"(not called)";
      EXPECT_EQ(library.load(RecordLoad, searchFlags), nullptr);
      EXPECT_EQ(givenPath, library_search::SystemLibraryPath(library.name)) << library.name;
      EXPECT_EQ(givenFlags, static_cast<DWORD>(searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                                           : LOAD_WITH_ALTERED_SEARCH_PATH))
          << library.name;
    }
  }
  EXPECT_EQ(spooler::LibraryPath(), library_search::SystemLibraryPath(L"winspool.drv"));
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(library_search::SystemLibraryPath(L"oleacc.dll"),
            std::wstring(system, length) + L"\\oleacc.dll");
}

// Points this executable's own import of `function` from `library` at
// `replacement` (the slot of the import address table that a call through
// the import reads); false when there is no such import.
bool RedirectImport(const char* library, const char* function, const void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
    if (_stricmp(reinterpret_cast<const char*>(base + d->Name), library) != 0) continue;
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      if (!::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection)) return false;
      slot->u1.Function = reinterpret_cast<uintptr_t>(replacement);
      ::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
      return true;
    }
  }
  return false;
}

// The spooler's own call site, not only its helper: the first printing call
// loads the library through the process's LoadLibraryExW, asking for the
// system directory. In a process of its own (the library is loaded once per
// process), whose import of LoadLibraryExW is the recorder.
TEST(LibrarySearch, TheFirstPrintingCallLoadsTheSpoolerFromTheSystemDirectory) {
  EXPECT_EXIT(
      {
        if (!RedirectImport("kernel32.dll", "LoadLibraryExW", reinterpret_cast<const void*>(RecordLoad))) {
          std::fprintf(stderr, "no import of LoadLibraryExW\n");
          std::exit(2);
        }
        HANDLE printer = nullptr;
        spooler::OpenPrinterW(L"x", &printer, nullptr);
        std::fprintf(stderr, "%s with flags %lu\n",
                     givenPath == spooler::LibraryPath() ? "the system directory's" : "another",
                     static_cast<unsigned long>(givenFlags));
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "the system directory's with flags 2048");
}

}  // namespace
