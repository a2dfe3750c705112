# The Windows programs, built from this same tree by one sub-build per
# architecture with Debian's mingw-w64 cross compilers:
#
#   ${CMAKE_BINARY_DIR}/windows-i686     32-bit: SETUP.EXE, the disc's launcher, alone
#   ${CMAKE_BINARY_DIR}/windows-x86_64   64-bit: the launcher, stand-in installers and
#                                        test programs that Wine runs here
#
# Each sub-build configures the top-level CMakeLists.txt with a toolchain file
# (cmake/mingw-*.cmake); there it builds the Windows targets only. It is built
# whenever this tree is (`cmake --build build`), and turned off with
# -DTRENCHMOOR_WINDOWS=OFF. An architecture whose compiler is missing is left out.
#
# Sets TRENCHMOOR_WINDOWS_<arch>_DIR for the architectures it builds, and the
# targets windows-<arch> to depend on.
option(TRENCHMOOR_WINDOWS "Build the Windows programs when the mingw-w64 cross compilers are installed" ON)
if(NOT TRENCHMOOR_WINDOWS)
  return()
endif()

include(ExternalProject)
find_path(TRENCHMOOR_DOCTEST_INCLUDE doctest/doctest.h)

foreach(arch i686 x86_64)
  find_program(TRENCHMOOR_MINGW_${arch}_CXX ${arch}-w64-mingw32-g++)
  find_program(TRENCHMOOR_MINGW_${arch}_RC ${arch}-w64-mingw32-windres)
  if(NOT TRENCHMOOR_MINGW_${arch}_CXX OR NOT TRENCHMOOR_MINGW_${arch}_RC)
    message(STATUS "Windows ${arch}: no ${arch}-w64-mingw32-g++/windres, not built "
                   "(Debian packages g++-mingw-w64-i686, g++-mingw-w64-x86-64)")
    continue()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/windows-${arch})
  # This machine runs only 64-bit Windows programs (under Wine): the 32-bit
  # sub-build makes the disc's SETUP.EXE alone.
  if(arch STREQUAL "x86_64")
    set(test_programs ON)
  else()
    set(test_programs OFF)
  endif()
  set(TRENCHMOOR_WINDOWS_${arch}_DIR ${dir})
  ExternalProject_Add(windows-${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${dir}
    PREFIX ${CMAKE_BINARY_DIR}/windows-${arch}-ep
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-${arch}.cmake
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DTRENCHMOOR_DOCTEST_INCLUDE=${TRENCHMOOR_DOCTEST_INCLUDE}
      -DBUILD_TESTING=OFF
      -DTRENCHMOOR_WINDOWS_TEST_PROGRAMS=${test_programs}
    # The sub-build's own build decides what is out of date.
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD OFF)
endforeach()
