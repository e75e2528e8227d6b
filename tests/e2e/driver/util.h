// Small helpers of the end-to-end driver: text output, window search across
// processes, and waiting for a condition with a time-out.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "escape.h"

namespace driver {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Writes UTF-8 to stdout (or UTF-16 to a console), so bash sees plain UTF-8.
void Print(const std::wstring& text);
void PrintError(const std::wstring& text);

std::wstring ClassName(HWND hwnd);
// The text of a window of any process (WM_GETTEXT, marshalled by the system).
std::wstring WindowText(HWND hwnd);
DWORD WindowProcess(HWND hwnd);
std::wstring HexHandle(const void* handle);

// Top-level windows in z-order; pid 0 means every process.
std::vector<HWND> TopLevelWindows(DWORD pid);
std::vector<HWND> ChildWindows(HWND parent);

// Polls until the condition holds or timeout_ms passes; true if it held.
bool WaitUntil(DWORD timeout_ms, const std::function<bool()>& condition);

// Pumps this thread's messages while waiting (needed for send callbacks).
void PumpMessages();

}  // namespace driver
