# Build settings shared by every tree (the main trees and the fuzz tree); the
# static checks take them from the trees' compile databases.

# C++17 without compiler extensions; a tree configured without a build type
# gets optimised code with debug information.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

# Warnings of everything we compile: the program, its tests and tools.
set(DORVANE_WARNINGS -Wall -Wextra -Wshadow -Wimplicit-fallthrough)

# The tests' and the driver's own code is compiled for a short build: the
# optimiser spends half the trees' build on their expanded assertions. The
# program's code they link stays optimised as shipped. Natively the tests run
# under valgrind too, where unoptimised code is two to three times slower, so
# there they get the optimisations that cost little to compile.
if(WIN32)
  set(DORVANE_TEST_CODE_OPTIONS -O0)
else()
  set(DORVANE_TEST_CODE_OPTIONS -Og)
endif()

# The Windows API as the program uses it: wide-character functions, no
# min/max macros, Windows 7 and common controls 6 and later.
set(DORVANE_WIN32_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)

# The Windows program's hardening. The stack protector's guard and failure
# are our own (src/app/stack_guard.cpp), not libssp's: the flag stays off the
# link line, so the driver does not add libssp. --no-seh: the image sets up no
# SEH frame (exceptions unwind with DWARF), so no handler in it may be called
# for an exception, on a smashed stack or anywhere. Large-address-aware: a
# 32-bit process on 64-bit Windows gets 4 GB of address space instead of 2.
# Subsystem 6.0: Vista and later, as the manifest names Windows 7 and later.
set(DORVANE_WIN32_COMPILE_OPTIONS $<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
# --no-insert-timestamp: the PE header's time stamp is 0, not the time of the
# link, so that two builds of one commit give the same bytes.
set(DORVANE_WIN32_LINK_OPTIONS -Wl,--no-seh -Wl,--large-address-aware
    -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,0 -Wl,--no-insert-timestamp)

# Nor does the program's code record the folders it was built in (__FILE__,
# debug information): paths are named from the top of the source tree, and
# "build/" for the build tree (named last: it may lie inside the sources,
# and the last map that matches wins). Only the program's own targets get
# it: the tests find the source tree through __FILE__.
set(DORVANE_PROGRAM_PATH_OPTIONS -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/)

# Every compile command lands in compile_commands.json, which clang-tidy reads.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
