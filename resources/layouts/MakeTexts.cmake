# Writes one language's window texts (the ones the layout does not carry: the empty-list help,
# the context menu, the device details) from the language's settings:
#
#   cmake -DLANGUAGE=languages/de.cmake -DREFERENCE=languages/en.cmake -DOUTPUT=WindowTexts_de.txt
#         -P MakeTexts.cmake
#
# Every TEXT_ setting becomes a line "KEY=text" (UTF-8; a line end inside a text is written
# "\n"), and so do the button texts the menu repeats. A language that lacks a text the
# reference language has fails the build, so no window shows a key instead of words.
function(text_keys language_file out)
  include(${language_file})
  get_cmake_property(names VARIABLES)
  list(FILTER names INCLUDE REGEX "^TEXT_")
  list(SORT names)
  set(${out} ${names} PARENT_SCOPE)
endfunction()

text_keys(${REFERENCE} reference_keys)
include(${LANGUAGE})
set(content "")
foreach(name IN LISTS reference_keys ITEMS LOG_IN REFRESH MY_STORAGE)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "${LANGUAGE} does not set ${name}")
  endif()
  string(REGEX REPLACE "^TEXT_" "" key ${name})
  string(REPLACE "\n" "\\n" text "${${name}}")
  string(APPEND content "${key}=${text}\n")
endforeach()
file(WRITE ${OUTPUT} "${content}")
