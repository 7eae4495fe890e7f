# Installation into the standard places, an uninstall target, and the Debian package.
#
#   cmake --install build [--prefix DIR]       programs, desktop entry, icons, man pages, docs
#   cmake --build build --target uninstall     removes what install_manifest.txt lists
#   cpack --config build/CPackConfig.cmake     travelkin_<version>_<arch>.deb
#
# Nothing installed is writable by the user or lives outside the prefix: the program keeps no
# settings and writes only into its data folder in the user's home.

include(GNUInstallDirs)

# The window program joins the command-line tools once it is built in this tree.
set(TRAVELKIN_INSTALLED_PROGRAMS travelkin-search travelkin-devsim)
if(TARGET travelkin)
  list(PREPEND TRAVELKIN_INSTALLED_PROGRAMS travelkin)
endif()
install(TARGETS ${TRAVELKIN_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The menu entry and its icon only make sense beside the window program.
if(TARGET travelkin)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/travelkin.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # What software centres show of the program.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/org.example.travelkin.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  file(GLOB travelkin_icons ${PROJECT_SOURCE_DIR}/resources/icons/travelkin-*.png)
  foreach(icon IN LISTS travelkin_icons)
    string(REGEX REPLACE ".*travelkin-([0-9]+)\\.png$" "\\1" size "${icon}")
    install(FILES ${icon}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME travelkin.png)
  endforeach()
endif()

# Completion of travelkin-search's options in bash and zsh.
install(FILES ${PROJECT_SOURCE_DIR}/tools/completion/travelkin-search.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME travelkin-search)
install(FILES ${PROJECT_SOURCE_DIR}/tools/completion/_travelkin-search
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# Man pages are shipped compressed, as Debian expects; -n keeps the archive reproducible.
set(travelkin_man_pages travelkin-search.1 travelkin-devsim.1)
if(TARGET travelkin)
  list(PREPEND travelkin_man_pages travelkin.1)
endif()
# SOURCE compressed into OUTPUT as Debian's own tools do it (no name, no time stamp).
function(travelkin_gzip source output)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND gzip -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
endfunction()

set(travelkin_compressed_man_pages "")
foreach(page IN LISTS travelkin_man_pages)
  travelkin_gzip(${PROJECT_SOURCE_DIR}/tools/man/${page} ${PROJECT_BINARY_DIR}/man/${page}.gz)
  list(APPEND travelkin_compressed_man_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(travelkin_man_pages ALL DEPENDS ${travelkin_compressed_man_pages})
install(FILES ${travelkin_compressed_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright file (every licence whose code is in the programs) and the changelog, whose
# newest entry must carry the version being built, where a Debian user looks for them.
set(travelkin_changelog ${PROJECT_SOURCE_DIR}/resources/debian/changelog)
file(STRINGS ${travelkin_changelog} travelkin_changelog_head LIMIT_COUNT 1)
if(NOT travelkin_changelog_head MATCHES "^travelkin \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "The newest entry of ${travelkin_changelog} is not version "
          "${PROJECT_VERSION}: ${travelkin_changelog_head}")
endif()
set(travelkin_compressed_changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
travelkin_gzip(${travelkin_changelog} ${travelkin_compressed_changelog})
add_custom_target(travelkin_changelog ALL DEPENDS ${travelkin_compressed_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${travelkin_compressed_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/travelkin)

# install_manifest.txt holds the files of the latest "cmake --install" from this build folder.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/TravelkinUninstall.cmake
  COMMENT "Removing the installed files"
  VERBATIM)

include(TravelkinPackage)
