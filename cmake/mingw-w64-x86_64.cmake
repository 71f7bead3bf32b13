# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads).
# VELMORA_WINDOWS_PREFIX names the folder that holds the libraries built for
# Windows by scripts/build-windows (SQLite, GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
if(VELMORA_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELMORA_WINDOWS_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: the executables need no DLL beyond Windows' own.
# GCC 12 reports -Wrestrict falsely inside std::string at -O2 (GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# An imported static library (odbc32) makes CMake switch the linker back to
# -Bdynamic after it, which would pull in libstdc++-6.dll: end the link line
# static.
set(CMAKE_LINK_SEARCH_END_STATIC ON)
