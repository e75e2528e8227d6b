# The download package: Dorvane-<version>-win32.zip with the program, the
# default settings file, an empty record file (so the first start has
# nothing to report), the help page and a short readme, all in one folder
# that the user unpacks and starts the program from, and SHA256SUMS beside
# it. Made by the "package" target of the win32 tree:
#   cmake --build build/win32 --target package
# Two builds of one commit give the same bytes: the ZIP is written by
# packaging/make_package.py (CPack's ZIP carries the files' times, the
# builder's permissions and extra fields of times and ids).
#
# Only the component "Dorvane" goes into it, so that nothing else a
# subproject might install (test frameworks) can slip in.
set(dorvane_package_name Dorvane-${PROJECT_VERSION}-win32)

install(TARGETS Dorvane RUNTIME DESTINATION . COMPONENT Dorvane)
install(FILES ${PROJECT_SOURCE_DIR}/defaults/Dorvane.ini
              ${PROJECT_SOURCE_DIR}/defaults/data.csv
              ${PROJECT_SOURCE_DIR}/packaging/readme.txt
        DESTINATION . COMPONENT Dorvane)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/defaults/help DESTINATION . COMPONENT Dorvane)

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  # The program goes in without its symbols (--strip): half the download.
  set(dorvane_package_command ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/make_package.py
      --cmake ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --source ${PROJECT_SOURCE_DIR}
      --name ${dorvane_package_name} --component Dorvane --program $<TARGET_FILE_NAME:Dorvane>)
else()
  set(dorvane_package_command ${CMAKE_COMMAND} -E echo "the package needs Python 3, which was not found"
      COMMAND ${CMAKE_COMMAND} -E false)
endif()
# CMake reserves the name while a CPack configuration lies in the tree (one
# configured before the package was made this way).
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package COMMAND ${dorvane_package_command} VERBATIM)
add_dependencies(package Dorvane)
