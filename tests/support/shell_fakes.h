// The seams CMainDlg is built on, faked: the shell's notification area and
// the monitors.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "shell/tray_icon.h"
#include "shell/work_area.h"

struct TrayCall {
  DWORD message;
  NOTIFYICONDATAW data;
  std::wstring Tip() const { return data.szTip; }
};

// Records every description sent to the shell; answers from a script of
// (success, error) pairs, then succeeds.
class FakeTray : public TrayShell {
 public:
  bool NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) override {
    calls.push_back(TrayCall{message, data});
    if (script.empty()) return true;
    auto [ok, error] = script.front();
    script.pop_front();
    if (!ok) lastError_ = error;
    return ok;
  }
  DWORD LastError() const override { return lastError_; }
  void Wait(DWORD milliseconds) override { waits.push_back(milliseconds); }
  void AllowMessage(HWND window, UINT message) override { allowed.emplace_back(window, message); }
  DWORD AreaWaitMilliseconds() const override { return areaWait; }

  std::vector<DWORD> Messages() const {
    std::vector<DWORD> m;
    for (const TrayCall& c : calls) m.push_back(c.message);
    return m;
  }

  std::deque<std::pair<bool, DWORD>> script;
  std::vector<TrayCall> calls;
  std::vector<DWORD> waits;
  std::vector<std::pair<HWND, UINT>> allowed;
  // The real timer runs; a test that lets it end sets a short wait.
  DWORD areaWait = 60000;

 private:
  DWORD lastError_ = ERROR_SUCCESS;
};

// One monitor: every point lies on it unless told otherwise.
class FakeMonitors : public MonitorSeam {
 public:
  bool IsOnMonitor(POINT) const override { return onMonitor; }
  bool NearestWorkArea(POINT, RECT& work) const override {
    work = workArea;
    return true;
  }
  bool onMonitor = true;
  RECT workArea{300, 0, 900, 700};
};
