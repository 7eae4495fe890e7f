# Cross-build for 64-bit Windows with Debian's MinGW-w64 (the posix-threads variant, which
# std::thread and std::mutex need). Programs are linked statically, so they run under Wine
# or on Windows without MinGW's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRAVELKIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRAVELKIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAVELKIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TRAVELKIN_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW tree only; the host's never leak in.
set(CMAKE_FIND_ROOT_PATH /usr/${TRAVELKIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the test programs under Wine.
find_program(TRAVELKIN_WINE wine)
if(TRAVELKIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TRAVELKIN_WINE})
endif()
