# The mingw preset's toolchain: MinGW-w64 (mingw-w64-x86_64.cmake) under the
# Qt that scripts/qt-mingw.sh cross-built into its cache. Qt's own toolchain
# file brings its host tools and puts its prefix on the find root, which
# CMAKE_PREFIX_PATH alone does not reach.
set(PENDRAK_MINGW_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
if(NOT PENDRAK_QT_MINGW)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/qt-mingw.sh --print
                  OUTPUT_VARIABLE PENDRAK_QT_MINGW OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(PENDRAK_QT_MINGW AND EXISTS ${PENDRAK_QT_MINGW}/lib/cmake/Qt6/qt.toolchain.cmake)
  set(QT_CHAINLOAD_TOOLCHAIN_FILE ${PENDRAK_MINGW_TOOLCHAIN})
  include(${PENDRAK_QT_MINGW}/lib/cmake/Qt6/qt.toolchain.cmake)
else()
  # Without Qt the core and pendrak-cli still build; app/ says what is missing.
  include(${PENDRAK_MINGW_TOOLCHAIN})
endif()
