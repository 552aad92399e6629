# pendrak_add_windows_resources(target "description" [WINDOW]): icon 128 and
# version information (res/windows/pendrak.rc) for a Windows program, and for
# a WINDOW program the manifest with per-monitor DPI awareness; nothing
# elsewhere.
include_guard(GLOBAL)

function(pendrak_add_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(window 0)
  if("WINDOW" IN_LIST ARGN)
    set(window 1)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  file(CONFIGURE OUTPUT ${dir}/pendrak_resource.h CONTENT [[
#define PENDRAK_VERSION_MAJOR @PROJECT_VERSION_MAJOR@
#define PENDRAK_VERSION_MINOR @PROJECT_VERSION_MINOR@
#define PENDRAK_VERSION_PATCH @PROJECT_VERSION_PATCH@
#define PENDRAK_VERSION_TEXT "@PROJECT_VERSION@"
#define PENDRAK_FILE_NAME "@target@.exe"
#define PENDRAK_FILE_DESCRIPTION "@description@"
#if @window@
#define PENDRAK_WINDOW_PROGRAM 1
#endif
]] @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res/windows/pendrak.rc)
  # The header above and pendrak.ico, for the resource compiler.
  target_include_directories(${target} PRIVATE ${dir} ${PROJECT_SOURCE_DIR}/res/windows)
endfunction()
