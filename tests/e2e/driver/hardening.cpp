// hold-file PATH --ready-file R --release-file F [--share read] [--timeout MS]
//   Opens PATH for reading and writing with share mode 0, as another program
//   that locks a file does: until it lets go, every other open of the file
//   fails (reading, copying, replacing, deleting). With --share read, as a
//   spreadsheet keeps a file it shows: others may read it, but not write,
//   replace or delete it. Writes R once the file is
//   held, then holds it until F exists (or --timeout ms, default 120000,
//   have passed: then it fails), closes it and ends.
// repaint --pid P --id ID [--count N]
//   Repaints a control of the report window N times (default 1), each paint
//   handled before the next: RedrawWindow with RDW_UPDATENOW sends WM_PAINT
//   to the program's thread and returns once it is done.
// handles --pid P
//   The live handles of each kind that the program's handle owners count,
//   "kind<TAB>count" a line; only a build with DORVANE_COUNT_HANDLES counts.
// load-by-name --pid P --dir D
//   Whether the program finds a library by its bare name that only D, its
//   working directory, holds (probe_protocol.h's kPlantName): prints what the
//   program's loader answered. The driver first loads it by name itself, from
//   D as its current directory, to show that an unnarrowed search finds it
//   there. 0 when the program refused it, 1 when it loaded it.
// Exit codes as the other subcommands: 1 the expected state did not come,
// 2 bad usage or a system call that failed.
#include <windows.h>

#include <string>

#include "cli.h"
#include "remote.h"
#include "util.h"

namespace driver {
namespace {

// "--name value" after the positional arguments starting at argv[first].
std::wstring Option(int argc, wchar_t** argv, int first, const wchar_t* name) {
  const std::wstring flag = std::wstring(L"--") + name;
  for (int i = first; i + 1 < argc; ++i) {
    if (flag == argv[i]) return argv[i + 1];
  }
  return L"";
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int HoldFileCommand(int argc, wchar_t** argv) {
  if (argc < 3) {
    PrintError(L"usage: dorvane_driver hold-file PATH --ready-file R --release-file F [--share read] [--timeout MS]\n");
    return 2;
  }
  const std::wstring path = argv[2];
  const std::wstring ready = Option(argc, argv, 3, L"ready-file");
  const std::wstring release = Option(argc, argv, 3, L"release-file");
  const std::wstring timeout_text = Option(argc, argv, 3, L"timeout");
  const std::wstring share = Option(argc, argv, 3, L"share");
  const DWORD timeout = timeout_text.empty() ? 120000 : wcstoul(timeout_text.c_str(), nullptr, 10);
  if (ready.empty() || release.empty() || !(share.empty() || share == L"read")) {
    PrintError(L"dorvane_driver hold-file: --ready-file and --release-file are required; --share takes read\n");
    return 2;
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share.empty() ? 0 : FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    PrintError(L"dorvane_driver hold-file: cannot open " + path + L" (error " +
               std::to_wstring(GetLastError()) + L")\n");
    return 2;
  }
  HANDLE marker = CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (marker == INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    PrintError(L"dorvane_driver hold-file: cannot create " + ready + L"\n");
    return 2;
  }
  CloseHandle(marker);
  const bool released = WaitUntil(timeout, [&] { return FileExists(release); });
  CloseHandle(file);
  if (!released) {
    PrintError(L"dorvane_driver hold-file: " + release + L" did not appear; let go of " + path + L"\n");
    return 1;
  }
  return 0;
}

int HandlesCommand(int argc, wchar_t** argv) {
  const std::wstring pid_text = Option(argc, argv, 2, L"pid");
  if (pid_text.empty()) {
    PrintError(L"usage: dorvane_driver handles --pid P\n");
    return 2;
  }
  const ProbeAnswer answer = CallProbe(wcstoul(pid_text.c_str(), nullptr, 10), probe::kReadHandles);
  if (!answer.called) {
    PrintError(L"dorvane_driver handles: " + answer.error + L"\n");
    return 2;
  }
  if (answer.status == probe::kNoCounter) {
    PrintError(L"dorvane_driver handles: the program does not count its handles "
               L"(build it with DORVANE_COUNT_HANDLES)\n");
    return 1;
  }
  if (answer.status != probe::kOk) {
    PrintError(L"dorvane_driver handles: the probe answered " + std::to_wstring(answer.status) + L"\n");
    return 2;
  }
  Print(answer.text);
  return 0;
}

int RepaintCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, 2, {});
  const DWORD pid = args.Pid();
  const unsigned long id = args.Number(L"id", 0);
  const unsigned long count = args.Number(L"count", 1);
  static const wchar_t kReportTitle[] = L"Dorvane \u30ec\u30dd\u30fc\u30c8";
  HWND report = nullptr;
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (WindowText(hwnd) == kReportTitle) report = hwnd;
  }
  if (!report) Expectation(L"process " + Num(pid) + L" has no report window");
  HWND control = GetDlgItem(report, static_cast<int>(id));
  if (!control) Expectation(L"the report window has no control " + Num(id));
  if (!IsWindowVisible(control)) Expectation(L"control " + Num(id) + L" is hidden: it would not paint");
  for (unsigned long i = 0; i < count; ++i) {
    if (!RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW))
      Fail(2, L"RedrawWindow failed with error " + Num(GetLastError()));
  }
  return 0;
}

int LoadByNameCommand(int argc, wchar_t** argv) {
  const std::wstring pid_text = Option(argc, argv, 2, L"pid");
  const std::wstring dir = Option(argc, argv, 2, L"dir");
  if (pid_text.empty() || dir.empty()) {
    PrintError(L"usage: dorvane_driver load-by-name --pid P --dir D\n");
    return 2;
  }
  if (!SetCurrentDirectoryW(dir.c_str())) Fail(2, L"cannot make " + dir + L" the current directory");
  HMODULE own = LoadLibraryW(probe::kPlantName);
  if (!own) {
    Fail(2, std::wstring(L"even the driver's own search does not find ") + probe::kPlantName +
                L" in " + dir + L" (error " + Num(GetLastError()) + L")");
  }
  FreeLibrary(own);
  const ProbeAnswer answer = CallProbe(wcstoul(pid_text.c_str(), nullptr, 10), probe::kLoadByName);
  if (!answer.called || answer.status != probe::kOk) {
    PrintError(L"dorvane_driver load-by-name: " + answer.error + L"\n");
    return 2;
  }
  Print(answer.text + L"\n");
  return answer.text.rfind(L"refused", 0) == 0 ? 0 : 1;
}

const CommandRegistration kLoadByName(L"load-by-name", LoadByNameCommand);
const CommandRegistration kHoldFile(L"hold-file", HoldFileCommand);
const CommandRegistration kHandles(L"handles", HandlesCommand);
const CommandRegistration kRepaint(L"repaint", RepaintCommand);

}  // namespace
}  // namespace driver
