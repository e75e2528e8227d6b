#include "win/library_search.h"

#include <gtest/gtest.h>

#include <string>

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

// Wine's own dialogs load the spooler first, so the call itself is checked.
TEST(LibrarySearch, TheSpoolerIsLoadedByItsFullPathWithTheSearchFlagWhereItExists) {
  for (const bool searchFlags : {true, false}) {
    EXPECT_EQ(spooler::Load(RecordLoad, searchFlags), nullptr);
    EXPECT_EQ(givenPath, spooler::LibraryPath());
    EXPECT_EQ(givenFlags, static_cast<DWORD>(searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                                         : LOAD_WITH_ALTERED_SEARCH_PATH));
  }
}

}  // namespace
