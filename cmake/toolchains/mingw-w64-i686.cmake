# The shipped 32-bit Windows program. It builds here but cannot run: this machine runs no 32-bit code.
set(ZOLVANE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
