# The Windows program as a zip and as an installer: lichtpult.exe, a short README in German and
# English, the licence, and an example port table to copy where the program reads one
# (%ProgramData%\lichtpult or %APPDATA%\lichtpult): beside the program it leads nowhere.
# `cpack` in the build folder writes lichtpult-<version>-win64.zip (`-G ZIP`) and
# lichtpult-<version>-win64-setup.exe (`-G NSIS`, from cmake/NSIS.template.in).
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY)
install(TARGETS lichtpult RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/ports.conf DESTINATION .)

set(CPACK_PACKAGE_NAME lichtpult)
# As on Linux; the installer writes it to the system's list of programs as the publisher.
set(CPACK_PACKAGE_VENDOR "the lichtpult developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for a vehicle light controller on a serial port")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

# The installer: CPack finds the project's template before its own through the module path.
list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake)
# One name for the folder, the uninstall key, the shortcut and the list of programs, without
# the version, so a newer installer replaces an older install instead of settling beside it.
set(CPACK_PACKAGE_INSTALL_DIRECTORY lichtpult)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY lichtpult)
set(CPACK_NSIS_DISPLAY_NAME lichtpult)
set(CPACK_NSIS_PACKAGE_NAME lichtpult)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_UNINSTALL_NAME uninstall)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/packaging/lichtpult.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/packaging/lichtpult.ico)
# What differs between the two: the zip unpacks into a folder of its name, and the installer's
# name says what it is (it installs into a folder of its own anyway).
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/CPackPerGenerator.cmake CONTENT [[
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(CPACK_GENERATOR STREQUAL "NSIS")
  string(APPEND CPACK_PACKAGE_FILE_NAME -setup)
endif()
]])
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackPerGenerator.cmake)
include(CPack)
