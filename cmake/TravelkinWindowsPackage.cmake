# The window's Windows build shipped two ways, made by one target:
#   cmake --build build-windows-gui --target windows_installer
# travelkin-<version>-setup.exe (NSIS: a per-user install, a Start-menu shortcut and an
# uninstaller) and travelkin-<version>-windows.zip (the same files in one folder, for a
# portable copy), both in the build folder. The programs go in stripped; the notice names
# Qt's licence and where its source and ours are, so users can relink.

set(package_name "travelkin-${PROJECT_VERSION}")
set(package_root "${CMAKE_BINARY_DIR}/windows-package")
set(stage "${package_root}/${package_name}")  # exactly the installed files, and the zip's folder
set(setup "${CMAKE_BINARY_DIR}/${package_name}-setup.exe")
set(zip "${CMAKE_BINARY_DIR}/${package_name}-windows.zip")
set(installer_script "${PROJECT_SOURCE_DIR}/resources/windows/installer.nsi")

execute_process(COMMAND dpkg-query -W -f "\${Version}" qt6-base-dev
  OUTPUT_VARIABLE TRAVELKIN_QT_DEBIAN_VERSION COMMAND_ERROR_IS_FATAL ANY)
set(TRAVELKIN_QT_VERSION "${Qt6_VERSION}")
set(notice "${CMAKE_BINARY_DIR}/NOTICE.txt")
configure_file("${PROJECT_SOURCE_DIR}/resources/windows/NOTICE.txt.in" "${notice}" @ONLY)

find_program(TRAVELKIN_MAKENSIS makensis)  # nsis (tools/install-deps.sh)
if(NOT TRAVELKIN_MAKENSIS)
  add_custom_target(windows_installer
    COMMAND "${CMAKE_COMMAND}" -E echo "windows_installer needs makensis: install nsis (tools/install-deps.sh)"
    COMMAND "${CMAKE_COMMAND}" -E false)
  return()
endif()

set(licences /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3)
add_custom_command(OUTPUT "${setup}" "${zip}"
  COMMAND "${CMAKE_COMMAND}" -E rm -rf "${package_root}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${stage}"
  COMMAND "${CMAKE_STRIP}" -o "${stage}/travelkin.exe" "$<TARGET_FILE:travelkin>"
  COMMAND "${CMAKE_STRIP}" -o "${stage}/travelkin-search.exe" "$<TARGET_FILE:travelkin-search>"
  COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/README.md" "${stage}/README.txt"
  COMMAND "${CMAKE_COMMAND}" -E copy "${notice}" "${stage}/NOTICE.txt"
  COMMAND "${CMAKE_COMMAND}" -E copy /usr/share/common-licenses/LGPL-3 "${stage}/LGPL-3.txt"
  COMMAND "${CMAKE_COMMAND}" -E copy /usr/share/common-licenses/GPL-3 "${stage}/GPL-3.txt"
  COMMAND "${TRAVELKIN_MAKENSIS}" -V2 -DVERSION=${PROJECT_VERSION} "-DSTAGE=${stage}"
          "-DICON=${TRAVELKIN_WINDOWS_ICON}" "-DOUTFILE=${setup}" "${installer_script}"
  COMMAND "${CMAKE_COMMAND}" -E chdir "${package_root}" "${CMAKE_COMMAND}" -E tar cf "${zip}" --format=zip "${package_name}"
  DEPENDS travelkin travelkin-search travelkin_icon "${TRAVELKIN_WINDOWS_ICON}" "${installer_script}"
          "${notice}" "${PROJECT_SOURCE_DIR}/README.md" ${licences}
  COMMENT "Making ${package_name}-setup.exe and ${package_name}-windows.zip"
  VERBATIM)
add_custom_target(windows_installer DEPENDS "${setup}" "${zip}")
