# Cross-builds the 32-bit Windows programs with MinGW-w64 (posix thread model, for std::thread).
set(QUILLON_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
