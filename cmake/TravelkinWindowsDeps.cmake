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
# Windows 7 is the oldest system the socket calls here need; Boost's auto-linking is a
# Visual C++ feature. Boost 1.74's Asio uses std::exchange without including <utility>,
# which GCC 12 in C++20 mode no longer pulls in on the way.
target_compile_definitions(travelkin_boost_headers INTERFACE
  _WIN32_WINNT=0x0601 WINVER=0x0601 BOOST_ALL_NO_LIB BOOST_DATE_TIME_NO_LIB)
target_compile_options(travelkin_boost_headers INTERFACE "SHELL:-include utility")
target_link_libraries(travelkin_boost_headers INTERFACE ws2_32 mswsock)
add_library(Boost::system ALIAS travelkin_boost_headers)
add_library(Boost::date_time ALIAS travelkin_boost_headers)

# nlohmann's JSON reader (the search tool's saved lists) is header-only too, staged the same way.
travelkin_stage_headers(travelkin_json_headers nlohmann json.hpp nlohmann-json3-dev)
add_library(nlohmann_json::nlohmann_json ALIAS travelkin_json_headers)

# GCC 12 wrongly reports overlapping copies inside std::string's operator+ once it is inlined
# at -O3 (GCC bug 105651); the Linux build at -O2 does not reach that inlining.
add_compile_options($<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
