# Removes from the disc folder every file the build no longer puts there, so
# that nothing stale is pressed onto the image:
#
#     cmake -D ROOT=disc-folder -D CONTENTS=list-file -P prune.cmake
#
# The list file names the disc's files, one path relative to ROOT a line.
cmake_minimum_required(VERSION 3.22)
set(keep)
foreach(list_file IN ITEMS ${CONTENTS})
  file(STRINGS "${list_file}" lines)
  list(APPEND keep ${lines})
endforeach()
file(GLOB_RECURSE present LIST_DIRECTORIES false RELATIVE "${ROOT}" "${ROOT}/*")
foreach(path IN LISTS present)
  if(NOT path IN_LIST keep)
    message(STATUS "Disc: removing ${path}, which the build no longer puts there")
    file(REMOVE "${ROOT}/${path}")
  endif()
endforeach()
# Folders left empty go as well.
file(GLOB_RECURSE folders LIST_DIRECTORIES true RELATIVE "${ROOT}" "${ROOT}/*")
list(SORT folders ORDER DESCENDING)
foreach(path IN LISTS folders)
  if(IS_DIRECTORY "${ROOT}/${path}")
    file(GLOB entries "${ROOT}/${path}/*")
    if(NOT entries)
      file(REMOVE_RECURSE "${ROOT}/${path}")
    endif()
  endif()
endforeach()
