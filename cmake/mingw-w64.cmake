# Cross-building for Windows with Debian's MinGW-w64 (the POSIX thread
# flavour). Included by the toolchain files for each architecture, which set
# ORVANTA_MINGW_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORVANTA_MINGW_ARCH})
set(triplet ${ORVANTA_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libgcc, libstdc++, winpthread) goes into each
# binary, so that fendrel.dll and the programs need only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)

# Tests run under Wine.
find_program(ORVANTA_WINE wine)
if(ORVANTA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANTA_WINE})
endif()
