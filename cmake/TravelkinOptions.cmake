# Build options and the one target that carries the project's compiler flags.

option(TRAVELKIN_GUI "Build the window, the controls and the platform layer (needs Qt 6)" ON)
option(TRAVELKIN_TESTS "Build the unit and end-to-end tests" ON)
option(TRAVELKIN_BENCH "Build the benchmarks" ON)
option(TRAVELKIN_FUZZ "Build the libFuzzer targets (clang only; implies no tests)" OFF)
option(TRAVELKIN_FUZZ_GUI "With TRAVELKIN_FUZZ, keep Qt in for the fuzz targets of the window's layout" OFF)
option(TRAVELKIN_WERROR "Treat warnings as errors" OFF)
set(TRAVELKIN_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan+UBSan) or 'thread' (TSan)")
set_property(CACHE TRAVELKIN_SANITIZE PROPERTY STRINGS "" address thread)

add_library(travelkin_flags INTERFACE)
target_compile_options(travelkin_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -ffunction-sections -fdata-sections)
target_link_options(travelkin_flags INTERFACE -Wl,--gc-sections)
if(TRAVELKIN_WERROR)
  target_compile_options(travelkin_flags INTERFACE -Werror)
  target_compile_definitions(travelkin_flags INTERFACE _GLIBCXX_ASSERTIONS)
endif()
# Every Windows file sees the system headers the same way: the wide-character API (so a
# name like CreateFile means CreateFileW everywhere, and a file that includes windows.h
# late does not link against the narrow one), no min and max macros, only the core of
# windows.h (a file that needs the shell or sockets includes their headers itself), and
# Windows 7's API.
if(WIN32)
  target_compile_definitions(travelkin_flags INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(TRAVELKIN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TRAVELKIN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TRAVELKIN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TRAVELKIN_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(TRAVELKIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TRAVELKIN_FUZZ needs clang (configure with CXX=clang++)")
  endif()
  # The fuzz build instruments every library; only the fuzz targets link the fuzzer's main.
  # Undefined behaviour stops a run as a crash does: recovered, it is only printed and lost.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # The headless fuzz build proves the core needs no Qt; a second build with
  # TRAVELKIN_FUZZ_GUI keeps Qt for the window's fuzz targets (Qt itself is not instrumented).
  if(TRAVELKIN_FUZZ_GUI)
    set(TRAVELKIN_GUI ON CACHE BOOL "" FORCE)
  else()
    set(TRAVELKIN_GUI OFF CACHE BOOL "" FORCE)
  endif()
  set(TRAVELKIN_TESTS OFF CACHE BOOL "" FORCE)
  set(TRAVELKIN_BENCH OFF CACHE BOOL "" FORCE)
endif()
