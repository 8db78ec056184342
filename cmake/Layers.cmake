# Layers as libraries. Each layer's headers are reachable only through an include root of its own
# (a folder holding one link to src/<layer>), which a library gets by linking that layer; so a
# layer that includes a header of a layer above it does not build.
set(QUILLON_LAYER_ROOTS "${CMAKE_BINARY_DIR}/layers")

# Gives target the include root of src/<folder>.
function(quillon_layer target folder)
    set(root "${QUILLON_LAYER_ROOTS}/${folder}")
    if(NOT EXISTS "${root}/${folder}")
        file(MAKE_DIRECTORY "${root}")
        file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${folder}" "${root}/${folder}" SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC "${root}")
endfunction()

# The build-level proof: for each layer, a header of the layer above must not be found, while a
# header of its own is. Each probe is a target outside the default build; the test builds it.
function(quillon_layer_probes)
    # layer library | a header of its own | a header of the layer above it
    set(probes
        "quillon_state|state/SharedState.h|firmware/FirmwareLoader.h"
        "quillon_firmware|firmware/FirmwareLoader.h|hid/HidPlatform.h"
        "quillon_hid|hid/ReportTransport.h|protocol/DeviceCommands.h"
        "quillon_protocol|protocol/UpdateWorker.h|sim/SimPlatform.h"
        "quillon_sim|sim/SimulatedBus.h|app/UpdateController.h")
    foreach(probe IN LISTS probes)
        string(REPLACE "|" ";" fields "${probe}")
        list(GET fields 0 layer)
        list(GET fields 1 own)
        list(GET fields 2 above)
        foreach(kind own above)
            set(source "${CMAKE_BINARY_DIR}/layer-probes/${layer}_${kind}.cpp")
            file(WRITE "${source}" "#include \"${${kind}}\"\n")
            add_library(probe_${layer}_${kind} OBJECT EXCLUDE_FROM_ALL "${source}")
            target_link_libraries(probe_${layer}_${kind} PRIVATE ${layer})
        endforeach()
        add_test(NAME Layers.${layer}.SeesItsOwnHeaders
                 COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target probe_${layer}_own)
        add_test(NAME Layers.${layer}.CannotIncludeTheLayerAbove
                 COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target probe_${layer}_above)
        string(REPLACE "." "\\." above_pattern "${above}")
        set_tests_properties(Layers.${layer}.CannotIncludeTheLayerAbove PROPERTIES
            # GCC's words, then Clang's.
            PASS_REGULAR_EXPRESSION "${above_pattern}: No such file or directory;'${above_pattern}' file not found")
        # Two builds of one tree at the same time would race on its files.
        set_tests_properties(Layers.${layer}.SeesItsOwnHeaders
                             Layers.${layer}.CannotIncludeTheLayerAbove
                             PROPERTIES RESOURCE_LOCK build-tree)
    endforeach()
endfunction()
