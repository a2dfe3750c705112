# Gives one file of the disc its mode, whatever the umask of the build:
#
#     cmake -D FILE=path -D KIND=program|data -P set-mode.cmake
#
# Programs read rwxr-xr-x, everything else rw-r--r--.
if(KIND STREQUAL "program")
  file(CHMOD "${FILE}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                   GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
elseif(KIND STREQUAL "data")
  file(CHMOD "${FILE}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  message(FATAL_ERROR "set-mode.cmake: KIND must be program or data, not '${KIND}'")
endif()
