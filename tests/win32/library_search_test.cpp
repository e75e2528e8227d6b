#include "win/library_search.h"

#include <gtest/gtest.h>

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

}  // namespace
