# The one place that says which system a build is for, and the one function that picks a
# folder's per-system files. Code that differs per system sits in a linux/ or win/ folder
# beside the code that uses it, one file per service named after it and the system
# (linux/SocketPlatformLinux.cpp, win/SocketPlatformWin.cpp); where a system has nothing
# for a service, the do-nothing file of none/ (none/NetworkWatcherNone.cpp) stands in.
if(WIN32)
  set(TRAVELKIN_OS win)
  set(TRAVELKIN_OS_SUFFIX Win)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(TRAVELKIN_OS linux)
  set(TRAVELKIN_OS_SUFFIX Linux)
else()
  message(FATAL_ERROR "Travelkin builds for Linux and Windows, not for ${CMAKE_SYSTEM_NAME}")
endif()

# travelkin_os_sources(<target> <folder> <service>... [OPTIONAL]): adds to the target, for
# each service, <folder>/<system>/<service><System>.cpp, or <folder>/none/<service>None.cpp
# when the system has no file of its own. <folder> is relative to the calling CMakeLists.txt.
# With OPTIONAL a service may have no file for this system at all (a test of what only one
# system has).
function(travelkin_os_sources target folder)
  cmake_parse_arguments(ARG "OPTIONAL" "" "" ${ARGN})
  foreach(service IN LISTS ARG_UNPARSED_ARGUMENTS)
    set(own "${folder}/${TRAVELKIN_OS}/${service}${TRAVELKIN_OS_SUFFIX}.cpp")
    set(none "${folder}/none/${service}None.cpp")
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${own}")
      target_sources(${target} PRIVATE "${own}")
    elseif(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${none}")
      target_sources(${target} PRIVATE "${none}")
    elseif(NOT ARG_OPTIONAL)
      message(FATAL_ERROR "${service}: neither ${own} nor ${none} in ${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
  endforeach()
endfunction()
