#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

// The guard the program's protected functions compare against, linked into
// this executable as into the program.
extern "C" uintptr_t __stack_chk_guard;  // NOLINT(bugprone-reserved-identifier)

namespace {

// The loader's TLS callback seeds the guard before the first protected
// function runs: left at its initial value, it is a value an overflow can be
// made to write back. Its upper half is never zero, so a string copy that
// overruns with zeros cannot match it.
TEST(StackGuard, IsSeededBeforeTheProgramRuns) {
  EXPECT_NE(__stack_chk_guard, uintptr_t{0xBB40E64E});
  EXPECT_NE(__stack_chk_guard & 0xFFFF0000u, 0u);
}

}  // namespace
