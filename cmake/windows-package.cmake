# The Windows program as a zip: lichtpult.exe, a short README in German and English, and the
# licence. `cpack -G ZIP` in the build folder writes lichtpult-<version>-win64.zip.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY)
install(TARGETS lichtpult RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_PACKAGE_NAME lichtpult)
set(CPACK_PACKAGE_VENDOR lichtpult)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for a vehicle light controller on a serial port")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
