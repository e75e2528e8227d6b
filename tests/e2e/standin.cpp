// Throw-away stand-in for developing the driver before the real program exists.
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

static NOTIFYICONDATAW nid;
static std::vector<std::wstring> items;
static const wchar_t* kTitle = L"Dorvane \u30ec\u30dd\u30fc\u30c8";

static void AppendCsv(const std::wstring& line) {
  CopyFileW(L"data.csv", L"data.bak", FALSE);
  HANDLE h = CreateFileW(L"data.csv", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  char buf[512]; int n = WideCharToMultiByte(932, 0, line.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  DWORD w; WriteFile(h, buf, n - 1, &w, nullptr); CloseHandle(h);
}

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == 1025 && (lp == WM_LBUTTONDOWN || lp == WM_RBUTTONDOWN)) {
    SetForegroundWindow(w);
    POINT pt; GetCursorPos(&pt);
    HMENU menu = CreatePopupMenu();
    if (lp == WM_LBUTTONDOWN) {
      for (size_t i = 0; i < items.size(); ++i) AppendMenuW(menu, MF_STRING, 40001 + i, items[i].c_str());
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, 32774, L"\u7d42\u4e86(&X)");
    } else {
      AppendMenuW(menu, MF_STRING, 32778, L"\u30ec\u30dd\u30fc\u30c8(&R)");
      AppendMenuW(menu, MF_STRING, 32775, L"\u8a2d\u5b9a(&C)");
      AppendMenuW(menu, MF_STRING, 32776, L"\u7de8\u96c6(&E)");
      AppendMenuW(menu, MF_STRING, 32779, L"\u30d8\u30eb\u30d7(&H)");
      AppendMenuW(menu, MF_STRING, 57664, L"&About");
    }
    TrackPopupMenu(menu, 0, pt.x, pt.y, 0, w, nullptr);
    DestroyMenu(menu);
    return 0;
  }
  if (m == WM_COMMAND) {
    UINT id = LOWORD(wp);
    if (id == 32774) { Shell_NotifyIconW(NIM_DELETE, &nid); DestroyWindow(w); PostQuitMessage(32774); return 0; }
    if (id >= 40001 && id < 40001 + items.size()) {
      const std::wstring& name = items[id - 40001];
      AppendCsv(name + L"\r\n");
      NOTIFYICONDATAW t = nid; t.uFlags = NIF_TIP;
      lstrcpynW(t.szTip, name.c_str(), 128);
      Shell_NotifyIconW(NIM_MODIFY, &t);
    }
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
  wchar_t dir[260]; GetCurrentDirectoryW(260, dir);
  for (int i = 1; i <= 18; ++i) {
    wchar_t key[32], val[128]; wsprintfW(key, L"ITEM%d_NAME", i);
    std::wstring ini = std::wstring(dir) + L"\\Dorvane.ini";
    if (GetPrivateProfileStringW(L"ITEM", key, L"", val, 128, ini.c_str())) items.push_back(val);
  }
  if (GetFileAttributesW(L"data.csv") == INVALID_FILE_ATTRIBUTES) {
    std::wstring t = L"\u30d5\u30a1\u30a4\u30eb\u3092\u958b\u3051\u307e\u305b\u3093\u3067\u3057\u305f\r\n";
    t += dir; t += L"\\data.csv";
    MessageBoxW(nullptr, t.c_str(), L"\u30a8\u30e9\u30fc", MB_OK);
  }
  if (FindWindowW(nullptr, kTitle)) { MessageBoxW(nullptr, L"\u8d77\u52d5\u6e08\u307f\u3067\u3059", L"\u901a\u77e5", MB_OK); return 0; }
  WNDCLASSW wc{}; wc.lpfnWndProc = Proc; wc.hInstance = inst; wc.lpszClassName = L"StandIn";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"StandIn", kTitle, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, inst, nullptr);
  nid.cbSize = sizeof nid; nid.hWnd = w; nid.uID = 0; nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = 1025; nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpyW(nid.szTip, L"Dorvane");
  Shell_NotifyIconW(NIM_ADD, &nid);
  MSG msg; while (GetMessageW(&msg, nullptr, 0, 0) > 0) { TranslateMessage(&msg); DispatchMessageW(&msg); }
  return (int)msg.wParam;
}
