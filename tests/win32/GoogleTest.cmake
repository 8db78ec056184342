# GoogleTest for the Windows build, compiled from the build machine's sources (Debian: googletest)
# with the same toolchain, since no prebuilt library for the target exists there.
set(QUILLON_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS "${QUILLON_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${QUILLON_GOOGLETEST_SOURCE} "
                        "(Debian: googletest; scripts/install-deps.sh windows)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# Its own code is not held to this project's warning flags.
get_directory_property(quillon_saved_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory("${QUILLON_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${quillon_saved_compile_options}")

# Under an emulator (Wine) the test list is read when ctest runs, not at every build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
