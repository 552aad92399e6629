# What a Qt program needs beside it on Windows: the Qt DLLs, the platform and
# style plugins and the MinGW runtime DLLs. They are copied into bin/ at build
# time, so that pendrak.exe and the dialog tests run there (under wine), and
# installed beside the programs for the zip.
include_guard(GLOBAL)

# Qt's DLLs use the shared MinGW runtime. A program that also linked its own
# static libstdc++ would have two of them in one process (two heaps for
# std::string, exceptions that one copy throws and the other cannot catch).
# Directory-scoped: call it in each folder that makes Qt programs.
macro(pendrak_use_shared_mingw_runtime)
  string(REGEX REPLACE "-static(-libgcc|-libstdc\\+\\+)?" "" CMAKE_EXE_LINKER_FLAGS
         "${CMAKE_EXE_LINKER_FLAGS}")
endmacro()

# pendrak_windows_runtime(): the target pendrak_windows_runtime, which the
# Qt programs depend on, and the install rules for the zip.
function(pendrak_windows_runtime)
  if(TARGET pendrak_windows_runtime)
    return()
  endif()
  set(bin ${CMAKE_BINARY_DIR}/bin)
  set(outputs)

  # Qt, built and stripped by scripts/qt-mingw.sh, is copied as it is. "ship"
  # goes into the zip as well, "test" serves only the tests in bin/; "style"
  # is the native look, whichever plugin of it this Qt has (the name changed
  # in 6.7).
  foreach(entry
      "ship . Qt6::Core" "ship . Qt6::Gui" "ship . Qt6::Widgets"
      "ship platforms Qt6::QWindowsIntegrationPlugin"
      "style styles Qt6::QWindowsVistaStylePlugin" "style styles Qt6::QModernWindowsStylePlugin"
      "test . Qt6::Test" "test platforms Qt6::QOffscreenIntegrationPlugin")
    separate_arguments(entry)
    list(GET entry 0 kind)
    list(GET entry 1 dir)
    list(GET entry 2 target)
    if(NOT TARGET ${target})
      if(kind STREQUAL "ship")
        message(FATAL_ERROR "Qt for MinGW lacks ${target}: rebuild it with scripts/qt-mingw.sh")
      endif()
      continue()
    endif()
    get_target_property(location ${target} IMPORTED_LOCATION_RELEASE)
    if(NOT location)
      get_target_property(location ${target} IMPORTED_LOCATION)
    endif()
    get_filename_component(name ${location} NAME)
    set(out ${bin}/${dir}/${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/${dir}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${location} ${out}
      DEPENDS ${location} VERBATIM)
    list(APPEND outputs ${out})
    if(NOT kind STREQUAL "test")
      install(FILES ${out} DESTINATION ${dir})
    endif()
  endforeach()

  # The compiler's own runtime, stripped: libstdc++-6.dll alone ships at
  # 23 MB with its debug information, 2 MB without.
  foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE location OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${location}" OR NOT EXISTS "${location}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${name} is")
    endif()
    get_filename_component(location ${location} REALPATH)
    set(out ${bin}/${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${out} ${location}
      DEPENDS ${location} VERBATIM)
    list(APPEND outputs ${out})
    install(FILES ${out} DESTINATION .)
  endforeach()

  add_custom_target(pendrak_windows_runtime ALL DEPENDS ${outputs})
endfunction()
