# Compares each layout file that SUMS lists (lines "<sha256>  <file name>", as sha256sum
# writes them) with the file of that name in LAYOUT_DIR; names each file that is missing or
# differs, and fails if any does.
#
#   cmake -DLAYOUT_DIR=... -DSUMS=.../WndLayoutInfo.sha256 -P CheckLayoutBytes.cmake
file(STRINGS ${SUMS} lines)
set(differing 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([0-9a-f]+)  (.+)$")
    message(FATAL_ERROR "${SUMS}: not a sum line: ${line}")
  endif()
  set(expected ${CMAKE_MATCH_1})
  set(layout ${LAYOUT_DIR}/${CMAKE_MATCH_2})
  if(NOT EXISTS ${layout})
    message(SEND_ERROR "${layout} is missing")
    math(EXPR differing "${differing} + 1")
    continue()
  endif()
  file(SHA256 ${layout} actual)
  if(NOT actual STREQUAL expected)
    message(SEND_ERROR "${layout} differs from the file the program has always written: "
                       "SHA-256 ${actual}, expected ${expected}")
    math(EXPR differing "${differing} + 1")
  endif()
endforeach()
list(LENGTH lines checked)
if(checked EQUAL 0)
  message(FATAL_ERROR "${SUMS} lists no layout")
endif()
if(differing EQUAL 0)
  message(STATUS "${checked} layout files as they have always been")
endif()
