# Helpers that every test folder uses, so labels and environment stay the same everywhere.
#
# Labels: "unit" runs on loopback or offscreen only and is what the sanitizer builds run;
# "netns" needs root and runs inside the project's own test network; "xvfb" needs a real
# X display (started by the test itself); "wine_gui" is a window test of the Windows build,
# run under Wine's X11 driver on an X display of its own (tools/run-wine-gui-tests.sh).
#
# A folder that sets TRAVELKIN_WINE_GUI makes its tests "wine_gui" ones: Qt draws through the
# "windows" platform plugin, the only one the static Qt for Windows has (Wine passes no QT_
# variable of the host on to Windows programs).

# travelkin_add_unit_test(NAME SOURCES src... LIBS lib... [LABELS label...])
function(travelkin_add_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT TRAVELKIN_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} travelkin_test_system GTest::gtest GTest::gmock GTest::gtest_main
                                        travelkin_flags)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE TRAVELKIN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(TRAVELKIN_WINE_GUI)
    # Each Wine start costs seconds, so a program runs all its cases in one start.
    qt_import_plugins(${name} INCLUDE Qt6::QWindowsIntegrationPlugin)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS wine_gui TIMEOUT 300)
    return()
  endif()
  set(labels unit)
  if(ARG_LABELS)
    set(labels ${ARG_LABELS})
  endif()
  # Cross-built tests are listed when ctest runs (under Wine), not while building.
  set(discovery_mode POST_BUILD)
  if(CMAKE_CROSSCOMPILING)
    set(discovery_mode PRE_TEST)
  endif()
  # A case gets a time limit, so one whose threads never end fails instead of holding up the
  # run; the longest case takes a few seconds, many more under a sanitizer or Wine.
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery_mode})
endfunction()

# travelkin_add_fuzzer(NAME SOURCES src... LIBS lib...)
function(travelkin_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TRAVELKIN_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} travelkin_flags)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY TRAVELKIN_FUZZERS ${name})
endfunction()
