if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PendrakWindowsZip.cmake)
  return()
endif()

# Installation where a Linux user expects things, and a Debian package:
#   bin/pendrak, bin/pendrak-cli
#   share/pendrak/Data/        settings and language files (the programs look
#                              there when no Data/ sits beside them)
#   lib/udev/rules.d/          the rule that lets the user open the radio
#   share/applications/, share/icons/hicolor/scalable/apps/

install(TARGETS pendrak-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET pendrak)
  install(TARGETS pendrak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Data sits at <bindir>/../share/pendrak/Data, so keep DATADIR under the prefix.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/Data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pendrak/Data
        PATTERN ".*" EXCLUDE)

if(UNIX AND NOT APPLE)
  # udev reads /usr/lib/udev/rules.d (not a multiarch lib folder).
  file(GLOB PENDRAK_UDEV_RULES ${PROJECT_SOURCE_DIR}/res/udev/*.rules)
  if(PENDRAK_UDEV_RULES)
    install(FILES ${PENDRAK_UDEV_RULES} DESTINATION lib/udev/rules.d)
  endif()
  if(TARGET pendrak)
    install(FILES ${PROJECT_SOURCE_DIR}/res/pendrak.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    if(EXISTS ${PROJECT_SOURCE_DIR}/res/pendrak.svg)
      install(FILES ${PROJECT_SOURCE_DIR}/res/pendrak.svg
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    endif()
  endif()
endif()

# cpack -G DEB (run in the build folder) makes pendrak_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME pendrak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pendrak")
set(CPACK_PACKAGE_CONTACT "Pendrak maintainers <maintainers@users.noreply.c-seed-e0537630.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Contact list manager for DMR radios")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Reads the contact list (up to 130,000 contacts) of a DMR radio over USB, writes it back, "
       "exports it to CSV and imports it from CSV. Comes as a Qt dialog (pendrak), a command-line "
       "tool (pendrak-cli) and a radio emulator for trying everything without a radio.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
