// Starting and ending processes, with their full exit codes.
#include "command.h"

namespace driver {
namespace {

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
      out += c;
      backslashes = 0;
      continue;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, L'\\');
  return out + L"\"";
}

bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok && MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool AppendLine(const std::wstring& path, const std::string& line) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return ok;
}

bool IsRunning(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace

// launch [--cwd DIR] [--count N] --pid-file F --exit-file E EXE [ARG...]
// Starts N copies (suspended, then all resumed at once, so that they race),
// writes their process ids to F, one a line, and appends "pid code" to E as
// each ends: the full 32-bit exit code, which `wine` itself cuts to 8 bits.
int Launch(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {L"pid-file", L"exit-file"}, 1, true});
  if (!args.Ok()) return Broken(args.Error());
  const std::wstring exe = args.Words()[0];
  const std::wstring pid_file = args.Get(L"pid-file");
  const std::wstring exit_file = args.Get(L"exit-file");
  const unsigned long count = args.Number(L"count", 1);
  if (count < 1 || count > 16) return Broken(L"--count must be 1 to 16");
  std::wstring command_line = QuoteArgument(exe);
  for (size_t i = 1; i < args.Words().size(); ++i) command_line += L" " + QuoteArgument(args.Words()[i]);
  const std::wstring cwd = args.Get(L"cwd");

  std::vector<PROCESS_INFORMATION> started;
  auto end_all = [&](UINT code) {
    for (auto& p : started) {
      if (code) TerminateProcess(p.hProcess, code);
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
  };
  for (unsigned long i = 0; i < count; ++i) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring mutable_line = command_line;
    if (!CreateProcessW(exe.c_str(), &mutable_line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
      const DWORD error = GetLastError();
      end_all(1);
      return Broken(L"CreateProcessW(" + exe + L") in \"" + cwd + L"\" failed with error " + Num(error));
    }
    started.push_back(pi);
  }
  std::string pids;
  for (auto& p : started) pids += std::to_string(p.dwProcessId) + "\n";
  if (!WriteFileAtomically(pid_file, pids)) {
    end_all(1);
    return Broken(L"cannot write " + pid_file);
  }
  for (auto& p : started) ResumeThread(p.hThread);

  std::vector<HANDLE> waiting;
  for (auto& p : started) waiting.push_back(p.hProcess);
  int outcome = kDone;
  while (!waiting.empty()) {
    const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), FALSE, INFINITE);
    if (r >= WAIT_OBJECT_0 + waiting.size()) {
      outcome = Broken(L"waiting for the started processes failed with error " + Num(GetLastError()));
      break;
    }
    HANDLE done = waiting[r - WAIT_OBJECT_0];
    DWORD code = 0;
    GetExitCodeProcess(done, &code);
    if (!AppendLine(exit_file, std::to_string(GetProcessId(done)) + " " + std::to_string(code) + "\n"))
      outcome = Broken(L"cannot write " + exit_file);
    waiting.erase(waiting.begin() + (r - WAIT_OBJECT_0));
  }
  end_all(0);
  return outcome;
}

// alive --pid P: 0 while the process runs, 1 once it has ended.
int Alive(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {L"pid"}});
  if (!args.Ok()) return Broken(args.Error());
  if (!IsRunning(args.Pid())) return Unmet(L"process " + Num(args.Pid()) + L" is not running");
  Print(L"running\n");
  return kDone;
}

// wait-exit --pid P [--timeout MS]
int WaitExit(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {L"pid"}});
  if (!args.Ok()) return Broken(args.Error());
  if (!WaitUntil(args.Timeout(), [&] { return !IsRunning(args.Pid()); }))
    return Unmet(L"process " + Num(args.Pid()) + L" still runs after " + Num(args.Timeout()) + L" ms");
  return kDone;
}

// kill --pid P: ends a process the test started (cleanup after a failure).
int Kill(int argc, wchar_t** argv) {
  Args args(argc, argv, {{}, {L"pid"}});
  if (!args.Ok()) return Broken(args.Error());
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, args.Pid());
  if (!process) return kDone;  // already gone
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  return kDone;
}

}  // namespace driver
