# The portable zip for Windows (make package-windows, or cpack -G ZIP in
# build/mingw): one folder that runs wherever it is unpacked.
#   pendrak.exe, pendrak-cli.exe, the Qt and MinGW runtime DLLs (installed by
#   PendrakWindowsRuntime.cmake), platforms\, styles\
#   Data\         settings and language files, found beside the programs
#   README.txt    a short guide
#   licenses\     the texts the DLLs' licences ask for, and the Qt source

install(TARGETS pendrak-cli RUNTIME DESTINATION .)
if(TARGET pendrak)
  install(TARGETS pendrak RUNTIME DESTINATION .)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/Data/ DESTINATION Data PATTERN ".*" EXCLUDE)

configure_file(${PROJECT_SOURCE_DIR}/res/windows/README.txt ${CMAKE_BINARY_DIR}/zip/README.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/zip/README.txt DESTINATION .)

# Qt's licences, its third-party parts and where its source is, as
# scripts/qt-mingw.sh put them beside the Qt it built; the MinGW-w64 runtime's
# terms (GCC's: GPL 3 with the runtime library exception; winpthreads') from
# Debian's copyright files. A build on Windows has neither at hand.
if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  if(TARGET pendrak)
    get_filename_component(qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
    if(NOT EXISTS ${qt_prefix}/licenses/SOURCE.txt)
      message(FATAL_ERROR "${qt_prefix} lacks its licence texts: rebuild it with scripts/qt-mingw.sh")
    endif()
    install(DIRECTORY ${qt_prefix}/licenses/ DESTINATION licenses/qt)
  endif()
  install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright
          DESTINATION licenses/mingw-w64 RENAME gcc-runtime-copyright.txt)
  install(FILES /usr/share/doc/mingw-w64-common/copyright
          DESTINATION licenses/mingw-w64 RENAME mingw-w64-winpthreads-copyright.txt)
  install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses/mingw-w64 RENAME GPL-3.txt)
else()
  message(STATUS "The zip gets no licence texts here: add Qt's and the compiler runtime's yourself")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME pendrak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pendrak")
set(CPACK_PACKAGE_FILE_NAME pendrak-${PROJECT_VERSION}-windows-x64)
# Unpacks into a folder of that name, not loose files.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
