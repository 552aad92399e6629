# pendrak_add_windows_resources(target "description"): icon 128 and version
# information (res/windows/pendrak.rc) for a Windows program; nothing elsewhere.
include_guard(GLOBAL)

function(pendrak_add_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  file(CONFIGURE OUTPUT ${dir}/pendrak_resource.h CONTENT [[
#define PENDRAK_VERSION_MAJOR @PROJECT_VERSION_MAJOR@
#define PENDRAK_VERSION_MINOR @PROJECT_VERSION_MINOR@
#define PENDRAK_VERSION_PATCH @PROJECT_VERSION_PATCH@
#define PENDRAK_VERSION_TEXT "@PROJECT_VERSION@"
#define PENDRAK_FILE_NAME "@target@.exe"
#define PENDRAK_FILE_DESCRIPTION "@description@"
]] @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res/windows/pendrak.rc)
  # The header above and pendrak.ico, for the resource compiler.
  target_include_directories(${target} PRIVATE ${dir} ${PROJECT_SOURCE_DIR}/res/windows)
endfunction()
