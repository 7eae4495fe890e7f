# Libraries of the Windows cross-build. Boost.Asio, System and Date_Time are used header-only
# from the host's Boost headers; only the boost/ folder is put on the include path (through a
# staging folder that links to it), never the host's whole include folder, whose C library
# headers would shadow MinGW's.

# An INTERFACE library whose include path holds a link to /usr/include/FOLDER alone.
function(travelkin_stage_headers target folder probe package)
  find_path(root_${folder} ${folder}/${probe} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT root_${folder})
    message(FATAL_ERROR "${folder}/${probe} not found in /usr/include (install ${package})")
  endif()
  set(staging "${CMAKE_BINARY_DIR}/${folder}-headers")
  file(MAKE_DIRECTORY "${staging}")
  if(NOT EXISTS "${staging}/${folder}")
    file(CREATE_LINK "${root_${folder}}/${folder}" "${staging}/${folder}" SYMBOLIC)
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE "${staging}")
endfunction()

travelkin_stage_headers(travelkin_boost_headers boost version.hpp libboost-dev)
# Boost's auto-linking is a Visual C++ feature (the Windows version and the API's flavour
# come with travelkin_flags, which every target links). Boost 1.74's Asio uses std::exchange
# without including <utility>, which GCC 12 in C++20 mode no longer pulls in on the way.
target_compile_definitions(travelkin_boost_headers INTERFACE
  BOOST_ALL_NO_LIB BOOST_DATE_TIME_NO_LIB)
target_compile_options(travelkin_boost_headers INTERFACE "SHELL:-include utility")
target_link_libraries(travelkin_boost_headers INTERFACE ws2_32 mswsock)
add_library(Boost::headers ALIAS travelkin_boost_headers)

# nlohmann's JSON reader (the search tool's saved lists) is header-only too, staged the same way.
travelkin_stage_headers(travelkin_json_headers nlohmann json.hpp nlohmann-json3-dev)
add_library(nlohmann_json::nlohmann_json ALIAS travelkin_json_headers)

# GCC 12 wrongly reports overlapping copies inside std::string's operator+ once it is inlined
# at -O3 (GCC bug 105651); the Linux build at -O2 does not reach that inlining.
add_compile_options($<$<COMPILE_LANG_AND_ID:CXX,GNU>:-Wno-restrict>)

if(NOT TRAVELKIN_GUI)
  return()
endif()

# ---- the window's libraries ------------------------------------------------------------------
# Qt: the static build in TRAVELKIN_QT_WINDOWS, with the host's moc, rcc and uic (the same Qt
# version) as its tools. The folder joins the find root so Qt's own package files, which
# look for one another by absolute path, are found there.
if(NOT EXISTS "${TRAVELKIN_QT_WINDOWS}/.complete")
  message(FATAL_ERROR "${TRAVELKIN_QT_WINDOWS} is not a complete Qt for Windows (tools/build-qt-windows.sh makes one)")
endif()
find_program(TRAVELKIN_QTPATHS qtpaths6 REQUIRED)
execute_process(COMMAND ${TRAVELKIN_QTPATHS} --query QT_HOST_LIBS
  OUTPUT_VARIABLE host_qt_libs OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR "${host_qt_libs}/cmake")
list(APPEND CMAKE_FIND_ROOT_PATH "${TRAVELKIN_QT_WINDOWS}")
list(APPEND CMAKE_PREFIX_PATH "${TRAVELKIN_QT_WINDOWS}")

# pugixml: Debian has no MinGW build of it, so its source (the version of the host's library,
# fetched once into the build tree with apt-get source) is compiled here.
execute_process(COMMAND dpkg-query -W -f "\${Version}" libpugixml-dev
  OUTPUT_VARIABLE pugixml_version RESULT_VARIABLE pugixml_missing)
if(pugixml_missing)
  message(FATAL_ERROR "libpugixml-dev is not installed (tools/install-deps.sh)")
endif()
set(pugixml_work "${CMAKE_BINARY_DIR}/pugixml-source")
file(GLOB pugixml_source "${pugixml_work}/pugixml-*/src/pugixml.cpp")
if(NOT pugixml_source)
  file(MAKE_DIRECTORY "${pugixml_work}")
  message(STATUS "Fetching pugixml ${pugixml_version}'s source (apt-get source)")
  execute_process(COMMAND apt-get source -q "pugixml=${pugixml_version}"
    WORKING_DIRECTORY "${pugixml_work}" OUTPUT_QUIET ERROR_VARIABLE apt_errors RESULT_VARIABLE apt_failed)
  file(GLOB pugixml_source "${pugixml_work}/pugixml-*/src/pugixml.cpp")
  if(apt_failed OR NOT pugixml_source)
    message(FATAL_ERROR "apt-get source pugixml=${pugixml_version} failed (a deb-src entry is needed; "
                        "tools/build-qt-windows.sh adds one):\n${apt_errors}")
  endif()
endif()
get_filename_component(pugixml_source_dir "${pugixml_source}" DIRECTORY)
add_library(travelkin_pugixml STATIC "${pugixml_source}")
target_include_directories(travelkin_pugixml SYSTEM PUBLIC "${pugixml_source_dir}")
add_library(pugixml::pugixml ALIAS travelkin_pugixml)

# The window's code names some things as the Windows API does (COLORREF, the BST_ check states,
# message numbers), and Boost.Asio brings the system headers into some of its files but not
# others. Every file of the window's build sees them first, so each name means one thing
# throughout (winsock2.h before windows.h, as Asio needs; the definitions that pick the API's
# flavour are travelkin_flags' own, which the files made by moc and rcc get with their target).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:SHELL:-include winsock2.h>")
