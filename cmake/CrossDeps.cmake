# Header-only and source-only dependencies for a cross build, taken from the build machine: the
# cross toolchain's find root holds no packages of its own.

# Each gets only its own directory of /usr/include, so that no other host header can shadow the
# target's.
set(QUILLON_HOST_HEADERS "${CMAKE_BINARY_DIR}/host-include")
function(quillon_host_headers target folder header package)
    if(NOT EXISTS "${QUILLON_HOST_HEADERS}/${folder}/${header}")
        if(NOT EXISTS "/usr/include/${folder}/${header}")
            message(FATAL_ERROR "${folder}/${header} not found in /usr/include (Debian: ${package})")
        endif()
        file(MAKE_DIRECTORY "${QUILLON_HOST_HEADERS}")
        file(CREATE_LINK "/usr/include/${folder}" "${QUILLON_HOST_HEADERS}/${folder}" SYMBOLIC)
    endif()
    add_library(${target} INTERFACE IMPORTED)
    target_include_directories(${target} SYSTEM INTERFACE "${QUILLON_HOST_HEADERS}")
endfunction()

quillon_host_headers(nlohmann_json::nlohmann_json nlohmann json.hpp nlohmann-json3-dev)
quillon_host_headers(CLI11::CLI11 CLI CLI.hpp libcli11-dev)
