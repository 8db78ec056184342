# Header-only and source-only dependencies for a cross build, taken from the build machine: the
# cross toolchain's find root holds no packages of its own.

# nlohmann-json: only its own directory of /usr/include, so that no other host header can shadow
# the target's.
set(QUILLON_HOST_HEADERS "${CMAKE_BINARY_DIR}/host-include")
if(NOT EXISTS "${QUILLON_HOST_HEADERS}/nlohmann/json.hpp")
    if(NOT EXISTS /usr/include/nlohmann/json.hpp)
        message(FATAL_ERROR "nlohmann-json not found in /usr/include (Debian: nlohmann-json3-dev)")
    endif()
    file(MAKE_DIRECTORY "${QUILLON_HOST_HEADERS}")
    file(CREATE_LINK /usr/include/nlohmann "${QUILLON_HOST_HEADERS}/nlohmann" SYMBOLIC)
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE "${QUILLON_HOST_HEADERS}")
