# Removes every file named in an install manifest (cmake -DMANIFEST=... -P this file).
# Directories stay: the standard ones (bin, share/applications, the icon theme) are shared.

if(NOT DEFINED MANIFEST OR NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "No install manifest at '${MANIFEST}': nothing was installed from this build folder")
endif()

file(STRINGS "${MANIFEST}" installed_files)
set(failed "")
foreach(path IN LISTS installed_files)
  set(target "${path}")  # already carries DESTDIR when the install had one
  if(IS_SYMLINK "${target}" OR EXISTS "${target}")
    message(STATUS "Removing ${target}")
    file(REMOVE "${target}")
    if(IS_SYMLINK "${target}" OR EXISTS "${target}")
      list(APPEND failed "${target}")
    endif()
  else()
    message(STATUS "Already gone: ${target}")
  endif()
endforeach()

if(failed)
  list(JOIN failed "\n  " failed_text)
  message(FATAL_ERROR "Could not remove (permissions?):\n  ${failed_text}")
endif()
