// Wine's system tray, read inside explorer.exe by the probe.
#include "command.h"
#include "remote.h"

namespace driver {
namespace {

struct TrayIcon {
  RECT rect{};
  bool visible = false;
  DWORD owner_pid = 0;
  bool has_tip = false;
  std::wstring tip;
};

struct TrayState {
  bool tray_found = false;  // a tray window exists in some process
  std::vector<TrayIcon> icons;
};

// Reads every tray window's icons inside its process; false with the reason
// when the probe cannot be run there.
bool ReadTray(TrayState* state, std::wstring* raw, std::wstring* why) {
  *state = TrayState{};
  std::set<DWORD> tray_processes;
  for (HWND hwnd : TopLevelWindows(0))
    if (ClassName(hwnd) == L"__winex11_standalone_tray" || ClassName(hwnd) == L"Shell_TrayWnd")
      tray_processes.insert(WindowProcess(hwnd));
  for (DWORD pid : tray_processes) {
    ProbeAnswer answer = CallProbe(pid, probe::kReadTray);
    if (!answer.called) {
      *why = L"reading the tray inside process " + Num(pid) + L": " + answer.error;
      return false;
    }
    if (answer.status != probe::kOk) continue;
    state->tray_found = true;
    if (raw) *raw += answer.text;
    for (const std::wstring& line : Split(answer.text, L'\n')) {
      std::vector<std::wstring> f = Split(line, L'\t');
      if (f[0] != L"icon" || f.size() < 8) continue;
      TrayIcon icon;
      icon.visible = f[2] == L"1";
      std::vector<std::wstring> r = Split(f[3], L',');
      if (r.size() == 4) icon.rect = RECT{_wtoi(r[0].c_str()), _wtoi(r[1].c_str()), _wtoi(r[2].c_str()), _wtoi(r[3].c_str())};
      icon.owner_pid = wcstoul(f[5].c_str(), nullptr, 10);
      icon.has_tip = f[6] == L"1";
      icon.tip = f[7];
      state->icons.push_back(icon);
    }
  }
  return true;
}

const TrayIcon* IconOf(const std::vector<TrayIcon>& icons, DWORD pid) {
  for (const TrayIcon& icon : icons)
    if (icon.owner_pid == pid) return &icon;
  return nullptr;
}

}  // namespace

// tray-icons: every icon of Wine's tray, as the probe reports it.
int TrayIcons(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  TrayState tray;
  std::wstring raw, why;
  if (!ReadTray(&tray, &raw, &why)) return Broken(why);
  if (!tray.tray_found) return Unmet(L"Wine's system tray has no window (is explorer.exe running?)");
  Print(raw);
  return kDone;
}

// tray-icon --pid P [--tip TEXT] [--gone] [--timeout MS]
// Waits until the process has an icon in Wine's tray (with --tip: whose
// tooltip reads TEXT; with --gone: until it has none) and prints the icon's
// centre on the screen and its tooltip: "x<TAB>y<TAB>tooltip".
int TrayIconCommand(int argc, wchar_t** argv) {
  Args args(argc, argv, {{L"gone"}, {L"pid"}});
  if (!args.Ok()) return Broken(args.Error());
  const DWORD pid = args.Pid();
  const bool want_tip = args.Has(L"tip");
  const std::wstring tip = args.Get(L"tip");
  TrayState tray;
  std::wstring why;
  bool broken = false;
  auto read = [&] {
    broken = !ReadTray(&tray, nullptr, &why);
    return !broken;
  };
  if (args.Has(L"gone")) {
    if (!WaitUntil(args.Timeout(), [&] { return read() && !IconOf(tray.icons, pid); }))
      return broken ? Broken(why) : Unmet(L"process " + Num(pid) + L" still has an icon in the tray");
    return kDone;
  }
  const bool ok = WaitUntil(args.Timeout(), [&] {
    if (!read()) return true;
    const TrayIcon* icon = IconOf(tray.icons, pid);
    return icon && icon->visible && (!want_tip || (icon->has_tip && icon->tip == tip));
  });
  if (broken) return Broken(why);
  const TrayIcon* icon = IconOf(tray.icons, pid);
  if (!ok) {
    const std::wstring waited = L" (waited " + Num(args.Timeout()) + L" ms)";
    if (!tray.tray_found) return Unmet(L"Wine's system tray has no window" + waited);
    if (!icon) {
      size_t unknown = 0;
      for (const TrayIcon& other : tray.icons) unknown += other.owner_pid == 0;
      return Unmet(L"process " + Num(pid) + L" has no icon in Wine's tray" + waited +
                   (unknown ? L"; " + Num(unknown) + L" icon(s) have an owner the probe could not read" : L""));
    }
    if (!icon->visible) return Unmet(L"the tray icon of process " + Num(pid) + L" is hidden" + waited);
    return Unmet(L"the tray icon's tooltip is \"" + icon->tip + L"\"" + (icon->has_tip ? L"" : L" (no tool found)") +
                 L", expected \"" + tip + L"\"" + waited);
  }
  Print(Num((icon->rect.left + icon->rect.right) / 2) + L"\t" + Num((icon->rect.top + icon->rect.bottom) / 2) + L"\t" +
        icon->tip + L"\n");
  return kDone;
}

}  // namespace driver
