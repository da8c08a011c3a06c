# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers (the posix-threads
# variant: Qt and std::thread need it). The Windows kit (Qt, OpenSSL, libmosquitto built by
# scripts/windows/build-kit.sh) is named by LEAKMETER_WINKIT, on the command line or in the
# environment; CTest runs the cross-built tests under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LEAKMETER_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LEAKMETER_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LEAKMETER_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${LEAKMETER_MINGW}-windres)
set(CMAKE_AR ${LEAKMETER_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${LEAKMETER_MINGW}-ranlib CACHE FILEPATH "")

if(NOT LEAKMETER_WINKIT AND DEFINED ENV{LEAKMETER_WINKIT})
    set(LEAKMETER_WINKIT $ENV{LEAKMETER_WINKIT})
endif()
# try_compile projects read this file again; they get the kit's place too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LEAKMETER_WINKIT)

set(CMAKE_FIND_ROOT_PATH /usr/${LEAKMETER_MINGW} ${LEAKMETER_WINKIT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
