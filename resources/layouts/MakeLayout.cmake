# Writes one language's layout file from the shared layout and the language's settings:
#
#   cmake -DLAYOUT=WndLayoutInfo.xml.in -DLANGUAGE=languages/de.cmake -DOUTPUT=WndLayoutInfo_de.xml
#         -P MakeLayout.cmake
#
# The shared layout is kept as plain UTF-8 with line feeds for editing; the file the program
# embeds and later writes into the data folder is UTF-8 with a byte-order mark and CRLF line
# ends, as the window has always read it.
include(${LANGUAGE})
file(READ ${LAYOUT} layout)
string(REGEX MATCHALL "@[A-Z_]+@" placeholders "${layout}")
foreach(placeholder IN LISTS placeholders)
  string(REPLACE "@" "" name ${placeholder})
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "${LANGUAGE} does not set ${name}")
  endif()
endforeach()
string(CONFIGURE "${layout}" layout @ONLY)
string(REPLACE "\n" "\r\n" layout "${layout}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${OUTPUT} "${byte_order_mark}${layout}")
