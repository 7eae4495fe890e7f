# The Debian package: cpack --config build/CPackConfig.cmake (from a Release build folder).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME travelkin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Travelkin developers")
set(CPACK_PACKAGE_CONTACT "Travelkin developers <travelkin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds network storage devices on the local network")
# Debian's style: the summary above, then paragraphs of lines under 80 columns (cpack indents
# each by one space and turns an empty line into " .").
set(CPACK_PACKAGE_DESCRIPTION
  "Travelkin lists the Wi-Fi disks and home NAS boxes on the local network in a
small window, found by a broadcast query and an SSDP search, and opens a
device's web page (Log In) or its share in the file browser (My Storage).

The package also holds travelkin-search, a command-line search that prints the
devices as a table or as JSON, and travelkin-devsim, a simulator of devices for
test networks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)   # travelkin_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://travelkin.example.org/")
# Libraries come from dpkg-shlibdeps. The rest are used without linking: the Qt platform
# plugins are loaded at start, xdg-open opens a device's web page, setcap runs in postinst.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils, libcap2-bin")
# My Storage opens smb:// shares through GVfs and lists the desktop's own mounts with gio.
# The Japanese and Chinese layouts need a face with their glyphs, or every text is boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gvfs-backends, libglib2.0-bin, fonts-noto-cjk | fonts-wqy-microhei")

# The broadcast search binds UDP port 67; postinst lets the searching programs do that for
# every user. Only programs built in this tree are named.
set(TRAVELKIN_PRIVILEGED_PROGRAMS "")
foreach(program IN ITEMS travelkin travelkin-search)
  if(TARGET ${program})
    string(APPEND TRAVELKIN_PRIVILEGED_PROGRAMS
           " ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}")
  endif()
endforeach()
string(STRIP "${TRAVELKIN_PRIVILEGED_PROGRAMS}" TRAVELKIN_PRIVILEGED_PROGRAMS)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/postinst.in
               ${PROJECT_BINARY_DIR}/debian/postinst @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
