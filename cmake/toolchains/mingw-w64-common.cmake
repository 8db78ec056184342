# What both MinGW-w64 toolchains share; QUILLON_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)
if(QUILLON_MINGW_TRIPLET MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# The default win32 thread model has no std::thread; the -posix compilers have it.
set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUILLON_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLON_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")
# windres reads resource scripts as the ANSI code page unless told otherwise, which garbles
# UTF-8 text inside L"..." strings.
set(CMAKE_RC_FLAGS_INIT "--codepage=65001")

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# MinGW's GCC 12 warns falsely (-Wrestrict, GCC bug 105329) inside libstdc++'s string
# concatenation once it is inlined; the warning is off so that -Werror builds stay usable.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# The programs need only the DLLs that come with Windows: no libgcc, libstdc++ or winpthread DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine on the build machine.
find_program(QUILLON_WINE NAMES wine)
if(QUILLON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLON_WINE})
endif()
