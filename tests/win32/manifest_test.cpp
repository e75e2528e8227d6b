// The manifest as Windows reads it: from the resources of the built
// Dorvane.exe, not from res/. Its XML is checked natively (manifest_test.sh);
// here, that the program carries exactly that file.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// A path as CMake wrote it: a Unix path when cross-built, which Wine maps
// to its DOS name.
std::wstring DosPath(const std::string& built) {
  std::wstring path(built.begin(), built.end());
  using ToDos = WCHAR*(CDECL*)(const char*);
  auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
  if (!built.empty() && built[0] == '/' && toDos) {
    if (WCHAR* dos = toDos(built.c_str())) {
      path = dos;
      ::HeapFree(::GetProcessHeap(), 0, dos);
    }
  }
  return path;
}

std::string Manifest() {
  HMODULE exe = ::LoadLibraryExW(DosPath(DORVANE_EXE).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!exe) return std::string();
  std::string text;
  if (HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    if (HGLOBAL loaded = ::LoadResource(exe, found)) {
      text.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(exe, found));
    }
  }
  ::FreeLibrary(exe);
  return text;
}

std::string CheckedManifest() {
  std::ifstream file(DosPath(DORVANE_MANIFEST).c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Manifest, ProgramCarriesTheCheckedManifestAsResourceOne) {
  const std::string manifest = Manifest();
  ASSERT_FALSE(manifest.empty()) << "no manifest in the resources of " << DORVANE_EXE;
  const std::string checked = CheckedManifest();
  ASSERT_FALSE(checked.empty()) << "cannot read " << DORVANE_MANIFEST;
  EXPECT_EQ(manifest, checked);
}
