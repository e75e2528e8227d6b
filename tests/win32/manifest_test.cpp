// The manifest as Windows reads it: from the resources of the built
// Dorvane.exe, not from res/.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The executable's path as CMake wrote it: a Unix path when cross-built,
// which Wine maps to its DOS name.
std::wstring ProgramPath() {
  const std::string built = DORVANE_EXE;
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
  HMODULE exe = ::LoadLibraryExW(ProgramPath().c_str(), nullptr,
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

}  // namespace

TEST(Manifest, RunsAsTheUserOnEveryWindowsFromSevenWithSharpGdiText) {
  const std::string manifest = Manifest();
  ASSERT_FALSE(manifest.empty()) << "no manifest in the resources of " << DORVANE_EXE;
  const char* required[] = {
      // A legacy program's writes would be redirected to the VirtualStore.
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10, 11
      ">true</gdiScaling>",
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
  };
  for (const char* part : required) EXPECT_NE(manifest.find(part), std::string::npos) << part;
  // Aware of DPI, Windows would stop scaling the fixed-pixel dialogs.
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
  EXPECT_LT(manifest.find("<trustInfo"), manifest.find("requestedExecutionLevel"));
}
