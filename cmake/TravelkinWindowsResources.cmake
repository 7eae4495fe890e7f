# What Windows shows of the programs: a windres resource with each one's version and
# description, and for the window program its icon, a multi-size .ico made at build time
# (ImageMagick) from the same PNGs as the Linux menu entry's icon, so the two never drift apart.

if(TRAVELKIN_GUI)
  find_program(TRAVELKIN_CONVERT convert REQUIRED)  # imagemagick (tools/install-deps.sh)
  set(TRAVELKIN_WINDOWS_ICON "${CMAKE_BINARY_DIR}/travelkin.ico")
  set(icon_pngs)
  foreach(size IN ITEMS 16 24 32 48 64 128 256)
    list(APPEND icon_pngs "${PROJECT_SOURCE_DIR}/resources/icons/travelkin-${size}.png")
  endforeach()
  add_custom_command(OUTPUT "${TRAVELKIN_WINDOWS_ICON}"
    COMMAND "${TRAVELKIN_CONVERT}" ${icon_pngs} "${TRAVELKIN_WINDOWS_ICON}"
    DEPENDS ${icon_pngs}
    COMMENT "Making travelkin.ico")
  add_custom_target(travelkin_icon DEPENDS "${TRAVELKIN_WINDOWS_ICON}")
endif()

# Gives TARGET.exe its version resource; WITH_ICON adds the program's icon.
function(travelkin_windows_resource target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "WITH_ICON" "" "")
  set(TRAVELKIN_RC_NAME "${target}")
  set(TRAVELKIN_RC_FILE "${target}.exe")
  set(TRAVELKIN_RC_DESCRIPTION "${description}")
  set(TRAVELKIN_RC_ICON "")
  if(arg_WITH_ICON)
    # Named as Qt looks for it, so the window's title bar and task bar button show it too.
    set(TRAVELKIN_RC_ICON "IDI_ICON1 ICON \"${TRAVELKIN_WINDOWS_ICON}\"")
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  configure_file("${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in" "${rc}" @ONLY)
  # windres knows none of the compiler's warning options: the resource is compiled in a
  # library of its own, without travelkin_flags.
  add_library(${target}_winres OBJECT "${rc}")
  set_target_properties(${target}_winres PROPERTIES AUTOMOC OFF AUTORCC OFF)
  if(arg_WITH_ICON)
    add_dependencies(${target}_winres travelkin_icon)
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${TRAVELKIN_WINDOWS_ICON}")
  endif()
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_winres>)
endfunction()
