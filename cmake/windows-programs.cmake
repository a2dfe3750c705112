# The Windows targets, inside one of the mingw-w64 sub-builds that
# cmake/windows.cmake starts. No Qt here: the core, the application's portable
# code, the Win32 port and the Windows programs around them. Every program
# lands in bin/ of the sub-build.
enable_language(C RC)
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
# UTF-16 throughout the Windows API; Windows 7 as the oldest target.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# trenchmoor_windows_program(TARGET [CONSOLE]): a program entered at wWinMain
# (wmain with CONSOLE), GUI subsystem unless CONSOLE.
function(trenchmoor_windows_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "CONSOLE" "" "")
  if(NOT arg_CONSOLE)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  target_link_options(${target} PRIVATE -municode)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}) # windows/utf16.h
endfunction()

# doctest is header-only: the host's header, alone in a folder of its own (the
# host's include folder must not reach the cross compiler).
if(TRENCHMOOR_DOCTEST_INCLUDE AND EXISTS ${TRENCHMOOR_DOCTEST_INCLUDE}/doctest/doctest.h)
  configure_file(${TRENCHMOOR_DOCTEST_INCLUDE}/doctest/doctest.h
                 ${CMAKE_BINARY_DIR}/doctest-include/doctest/doctest.h COPYONLY)
  add_library(trenchmoor_doctest INTERFACE)
  target_include_directories(trenchmoor_doctest SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/doctest-include)
  target_compile_definitions(trenchmoor_doctest INTERFACE DOCTEST_CONFIG_NO_MULTITHREADING)
else()
  set(TRENCHMOOR_DOCTEST_INCLUDE "")
endif()

add_subdirectory(forms)
add_subdirectory(setup)
target_link_libraries(trenchmoor_setup PUBLIC shell32)
add_subdirectory(forms/win32)
add_subdirectory(app)
# The stand-in installers and the test programs only where Wine can run them:
# the 32-bit sub-build makes SETUP.EXE alone.
option(TRENCHMOOR_WINDOWS_TEST_PROGRAMS "Build the Windows stand-ins and test programs" ON)
if(TRENCHMOOR_WINDOWS_TEST_PROGRAMS)
  add_subdirectory(disc/windows)
  add_subdirectory(tests/core)
  add_subdirectory(tests/wine)
endif()
