# Run at build time (cmake -P): the man page from the program's own help texts with help2man, the
# subcommands' help in a section of its own, and the bash completion the program prints. The
# texts are UTF-8 (the operator's texts are Korean and Chinese), and so is the page.
# Takes QUILLON (the program), HELP2MAN, OUT_DIR.

# The commands are those the program defines, so that none can be left out of the page.
execute_process(COMMAND "${QUILLON}" completion --commands OUTPUT_VARIABLE commands
                RESULT_VARIABLE result)
string(STRIP "${commands}" commands)
if(NOT result EQUAL 0 OR commands STREQUAL "")
    message(FATAL_ERROR "${QUILLON} completion --commands failed")
endif()
string(REPLACE "\n" ";" commands "${commands}")

# The commands' help, each as preformatted roff under a subsection.
set(include "[COMMANDS]\n")
foreach(command IN LISTS commands)
    execute_process(COMMAND "${QUILLON}" ${command} --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${QUILLON} ${command} --help failed")
    endif()
    string(REPLACE "\\" "\\e" help "${help}")
    # A line that starts with a dot or a quote would be taken for a request.
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(APPEND include ".SS \"quillon ${command}\"\n.nf\n${help}.fi\n")
endforeach()
string(APPEND include "[SEE ALSO]\nThe README of the source tree: the simulator's scenario files, the JSON events "
       "of --json, the udev rule, the Windows programs.\n")
file(WRITE "${OUT_DIR}/quillon.h2m" "${include}")

execute_process(
    COMMAND "${HELP2MAN}" --locale=C.UTF-8 --no-info --section=1 --source=Quillon
            "--name=update the firmware of USB HID scanners" --include "${OUT_DIR}/quillon.h2m"
            --output "${OUT_DIR}/quillon.1" "${QUILLON}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${QUILLON}")
endif()

execute_process(COMMAND "${QUILLON}" completion OUTPUT_FILE "${OUT_DIR}/quillon.bash"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${QUILLON} completion failed")
endif()
