# 32-bit Windows with Debian's MinGW-w64 compilers. The -posix variants: the -win32 thread model
# has no std::thread in this GCC. The runtime (libgcc, libstdc++, winpthread) is linked into each
# program, so an .exe runs under Wine or on Windows without DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CVL_MINGW_TRIPLET i686-w64-mingw32)

set(CMAKE_C_COMPILER ${CVL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CVL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CVL_MINGW_TRIPLET}-windres)
set(CMAKE_ASM_COMPILER ${CVL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_AR ${CVL_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${CVL_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Only the MinGW sysroot and prefixes built for it (CMAKE_PREFIX_PATH) hold target libraries;
# programs (wine, 7z, the host compilers) still come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${CVL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

