# The download package: Dorvane-<version>-win32.zip with the program, the
# default settings file, an empty record file (so the first start has
# nothing to report), the help page and a short readme, all in one folder
# that the user unpacks and starts the program from. Made by the "package"
# target of the win32 tree:  cmake --build build/win32 --target package
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

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Dorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${dorvane_package_name})
# One top folder of the same name: unpacking never scatters files.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The program without its symbols: half the download.
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Dorvane;Dorvane;/")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
