# 32-bit Windows with MinGW-w64.
set(ORVANTA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# Doubles are computed as doubles, as on 64-bit machines: the x87 registers
# would carry extra precision into the roundings of stored levels.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
