# The portable core is one list of sources gathered from src/base, src/data and
# src/report. Files ending in _win32.cpp are built only for Windows and files
# ending in _posix.cpp only elsewhere, so each seam keeps its two halves side
# by side.
define_property(GLOBAL PROPERTY DORVANE_CORE_SOURCES
  BRIEF_DOCS "portable core sources" FULL_DOCS "portable core sources")

function(dorvane_core_sources)
  foreach(src ${ARGN})
    get_filename_component(abs ${src} ABSOLUTE)
    if(abs MATCHES "_win32\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    if(abs MATCHES "_posix\\.cpp$" AND WIN32)
      continue()
    endif()
    set_property(GLOBAL APPEND PROPERTY DORVANE_CORE_SOURCES ${abs})
  endforeach()
endfunction()

# dorvane_core: the library linked by the program and the benchmarks.
# dorvane_core_san: the same sources with AddressSanitizer and
# UndefinedBehaviorSanitizer, linked by the native unit tests.
function(dorvane_make_core_libraries)
  get_property(srcs GLOBAL PROPERTY DORVANE_CORE_SOURCES)
  add_library(dorvane_core STATIC ${srcs})
  target_include_directories(dorvane_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(dorvane_core PRIVATE ${DORVANE_WARNINGS})
  if(NOT WIN32 AND DORVANE_SANITIZE)
    add_library(dorvane_core_san STATIC ${srcs})
    target_include_directories(dorvane_core_san PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(dorvane_core_san PRIVATE ${DORVANE_WARNINGS})
    target_compile_options(dorvane_core_san PUBLIC
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(dorvane_core_san PUBLIC -fsanitize=address,undefined)
  else()
    add_library(dorvane_core_san ALIAS dorvane_core)
  endif()
endfunction()
