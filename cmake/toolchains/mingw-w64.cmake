# Cross-compiling for Windows with Debian's mingw-w64; the including file sets ZOLVANE_MINGW_ARCH.
# The -posix compilers have the thread support that std::mutex and GoogleTest need; -static links
# libgcc, libstdc++ and winpthread into every program, so nothing but Windows' own DLLs is needed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZOLVANE_MINGW_ARCH})

set(ZOLVANE_MINGW_PREFIX ${ZOLVANE_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${ZOLVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOLVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOLVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZOLVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
