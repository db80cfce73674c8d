# Windows with MinGW-w64: see mingw.cmake.
set(TOVREL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
