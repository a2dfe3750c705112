# Toolchain for the 32-bit Windows programs: Debian's mingw-w64 cross compilers
# (win32 thread model, the default of the unsuffixed compiler names).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRENCHMOOR_MINGW_TRIPLET i686-w64-mingw32)

set(CMAKE_C_COMPILER ${TRENCHMOOR_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TRENCHMOOR_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${TRENCHMOOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRENCHMOOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The 32-bit program computes in SSE registers like the 64-bit one: single
# precision stays single precision, so both round the placement alike.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# One file each, no runtime DLL beside it, no symbols.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s")
