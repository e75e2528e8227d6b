// The stack protector's guard and failure (-fstack-protector-strong), in
// place of GCC's libssp. libssp seeds its guard from the crypto provider in a
// constructor, loading the provider's libraries by name before the library
// search is narrowed, and falls back to a constant when the provider fails;
// its failure writes a message and raises an exception, which walks the
// exception handlers kept on the very stack that was just overwritten.
// Linked into every executable and DLL of the tree, and built without the
// protector itself: the seed changes the guard that its own frame would be
// checked against.
#include <windows.h>

#include <cstdint>

extern "C" {

// GCC's names; the compiler reads the guard at each protected function's
// entry and calls the failure when the copy on the stack no longer matches.
// The initial value is the one the platform's compiler uses before it seeds.
// NOLINTNEXTLINE(bugprone-reserved-identifier)
uintptr_t __stack_chk_guard = 0xBB40E64E;

// NOLINTNEXTLINE(bugprone-reserved-identifier)
[[noreturn]] void __stack_chk_fail() {
  // A stack that has been overwritten cannot be trusted to unwind or to run
  // a handler: the process ends here. __fastfail (int 0x29 with the code in
  // ECX) ends it in the kernel without running anything of the process, and
  // Windows Error Reporting records it as a stack buffer overrun.
  if (::IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)) {
    __asm__ __volatile__("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE) : "memory");
  }
  ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_unreachable();
}

}  // extern "C"

namespace {

// Seeded as the platform's compiler seeds its cookie: from the time, the
// process and thread ids and the performance counter, which no attacker
// knows before the process starts. No crypto provider: it would load
// libraries.
void NTAPI SeedStackGuard(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_PROCESS_ATTACH) return;
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  uintptr_t seed = now.dwLowDateTime ^ now.dwHighDateTime;
  seed ^= ::GetCurrentProcessId();
  seed ^= ::GetCurrentThreadId();
  seed ^= counter.LowPart ^ static_cast<DWORD>(counter.HighPart);
  // Never the initial value, and never one whose upper half is zero: a
  // string copy that overruns with zeros would otherwise match it more easily.
  if (seed == 0xBB40E64E) {
    seed = 0xBB40E64F;
  } else if ((seed & 0xFFFF0000u) == 0) {
    seed |= (seed | 0x4711u) << 16;
  }
  __stack_chk_guard = seed;
}

}  // namespace

// The loader runs the TLS callbacks (sections .CRT$XLA to .CRT$XLZ, in the
// order of their names) before the entry point and before any constructor,
// so the guard is seeded before a protected function first runs.
extern "C" {
__attribute__((used, section(".CRT$XLB"))) PIMAGE_TLS_CALLBACK dorvane_seed_stack_guard = SeedStackGuard;
}
