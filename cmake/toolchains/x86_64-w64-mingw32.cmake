# Cross-builds the 64-bit Windows programs with MinGW-w64 (posix thread model, for std::thread).
set(QUILLON_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
