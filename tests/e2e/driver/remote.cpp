#include "remote.h"

#include <memory>

#include "util.h"

namespace driver {

namespace {

constexpr DWORD kThreadTimeoutMs = 20000;

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::wstring LastError(const wchar_t* what) {
  wchar_t buf[256];
  wsprintfW(buf, L"%s failed (error %lu)", what, GetLastError());
  return buf;
}

// Runs start(parameter) on a new thread of the process; the thread's exit
// code is the function's 32-bit result.
bool RunRemote(HANDLE process, const void* start, void* parameter, DWORD* result,
               std::wstring* error) {
  Handle thread(CreateRemoteThread(process, nullptr, 0,
                                   reinterpret_cast<LPTHREAD_START_ROUTINE>(const_cast<void*>(start)),
                                   parameter, 0, nullptr));
  if (!thread) {
    *error = LastError(L"CreateRemoteThread");
    return false;
  }
  if (WaitForSingleObject(thread.get(), kThreadTimeoutMs) != WAIT_OBJECT_0) {
    *error = L"the remote thread did not finish in time";
    return false;
  }
  GetExitCodeThread(thread.get(), result);
  return true;
}

std::wstring ProbePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return dir + L"dorvane_probe.dll";
}

}  // namespace

ProbeAnswer CallProbe(DWORD pid, probe::Op op, uint32_t arg) {
  ProbeAnswer answer;
  const std::wstring dll_path = ProbePath();
  // Loaded here too, to learn where the entry point lies relative to the base.
  HMODULE local = LoadLibraryW(dll_path.c_str());
  if (!local) {
    answer.error = LastError(L"loading the probe DLL in the driver");
    return answer;
  }
  auto entry = reinterpret_cast<const uint8_t*>(GetProcAddress(local, probe::kEntryName));
  if (!entry) {
    answer.error = L"the probe DLL has no entry point " + Wide(probe::kEntryName);
    return answer;
  }
  const uintptr_t entry_offset = reinterpret_cast<uintptr_t>(entry) - reinterpret_cast<uintptr_t>(local);

  Handle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                 PROCESS_VM_WRITE | PROCESS_VM_READ,
                             FALSE, pid));
  if (!process) {
    answer.error = LastError(L"OpenProcess");
    return answer;
  }

  // kernel32 lies at the same address in every process of the prefix.
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const void* load_library = reinterpret_cast<const void*>(GetProcAddress(kernel32, "LoadLibraryW"));
  const void* free_library = reinterpret_cast<const void*>(GetProcAddress(kernel32, "FreeLibrary"));

  const size_t path_bytes = (dll_path.size() + 1) * sizeof(wchar_t);
  RemoteMemory path_memory(process.get(), path_bytes);
  if (!path_memory.get() ||
      !WriteProcessMemory(process.get(), path_memory.get(), dll_path.c_str(), path_bytes, nullptr)) {
    answer.error = LastError(L"writing the DLL path into the process");
    return answer;
  }
  DWORD remote_base = 0;
  if (!RunRemote(process.get(), load_library, path_memory.get(), &remote_base, &answer.error))
    return answer;
  if (!remote_base) {
    answer.error = L"LoadLibraryW of the probe failed inside the process";
    return answer;
  }

  auto block = std::make_unique<probe::Block>();
  block->op = op;
  block->arg = arg;
  block->status = probe::kBadRequest;
  block->length = 0;
  RemoteMemory block_memory(process.get(), sizeof(probe::Block));
  DWORD status = 0;
  if (block_memory.get() &&
      WriteProcessMemory(process.get(), block_memory.get(), block.get(), sizeof(probe::Block), nullptr) &&
      RunRemote(process.get(), reinterpret_cast<const void*>(remote_base + entry_offset),
                block_memory.get(), &status, &answer.error)) {
    if (ReadProcessMemory(process.get(), block_memory.get(), block.get(), sizeof(probe::Block), nullptr)) {
      answer.called = true;
      answer.status = block->status;
      const uint32_t length = block->length < probe::kTextCapacity ? block->length : 0;
      answer.text.assign(block->text, length);
    } else {
      answer.error = LastError(L"reading the probe's answer");
    }
  } else if (answer.error.empty()) {
    answer.error = LastError(L"writing the probe's request");
  }

  DWORD ignored = 0;
  std::wstring unload_error;
  RunRemote(process.get(), free_library, reinterpret_cast<void*>(static_cast<uintptr_t>(remote_base)),
            &ignored, &unload_error);
  return answer;
}

}  // namespace driver
