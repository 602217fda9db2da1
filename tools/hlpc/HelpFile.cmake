# The viewer's help file, Ortholux.hlp, and the same help as a page, Ortholux.html, beside it
# (for systems without a WinHelp engine), compiled from res/help/Ortholux.hlp.txt by the
# native help compiler ortholux-hlpc.
#
#   include(<repo>/tools/hlpc/HelpFile.cmake)
#   ortholux_add_help_file(<target name> <output dir>)
#
# In the host build the compiler is this build's own ortholux-hlpc target. In the Windows
# build it is ${ORTHOLUX_HOST_BUILD}/bin/ortholux-hlpc from a host build.
#
# This file also runs in script mode (cmake -P) as the build step, so that a missing host
# compiler is reported by name when the build runs, whichever build was made first.

if(CMAKE_SCRIPT_MODE_FILE)
    if(NOT EXISTS "${HLPC}")
        message(FATAL_ERROR
            "Help compiler not found: ${HLPC}\n"
            "Build the host build first (cmake --build <host build> --target ortholux-hlpc) "
            "and point ORTHOLUX_HOST_BUILD at it.")
    endif()
    execute_process(COMMAND "${HLPC}" "${SOURCE}" "${OUTPUT}" "${PAGE}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "ortholux-hlpc failed on ${SOURCE}")
    endif()
    return()
endif()

set(ORTHOLUX_HELP_FILE_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")
get_filename_component(ORTHOLUX_HELP_SOURCE_FILE
    "${CMAKE_CURRENT_LIST_DIR}/../../res/help/Ortholux.hlp.txt" ABSOLUTE)

function(ortholux_add_help_file TARGET_NAME OUTPUT_DIR)
    set(source "${ORTHOLUX_HELP_SOURCE_FILE}")
    set(output "${OUTPUT_DIR}/Ortholux.hlp")
    set(page "${OUTPUT_DIR}/Ortholux.html")
    if(TARGET ortholux-hlpc)
        set(tool "$<TARGET_FILE:ortholux-hlpc>")
        set(tool_depends ortholux-hlpc)
    else()
        if(NOT ORTHOLUX_HOST_BUILD)
            message(FATAL_ERROR
                "ORTHOLUX_HOST_BUILD is not set: the Windows build needs a host build's "
                "bin/ortholux-hlpc to compile the help file. Configure with "
                "-DORTHOLUX_HOST_BUILD=<host build folder>.")
        endif()
        set(tool "${ORTHOLUX_HOST_BUILD}/bin/ortholux-hlpc")
        # Depend on the compiler only when it exists, or make would stop with a bare
        # "no rule to make target"; the build step then names what is missing.
        set(tool_depends "")
        if(EXISTS "${tool}")
            set(tool_depends "${tool}")
        endif()
    endif()
    add_custom_command(
        OUTPUT "${output}" "${page}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${OUTPUT_DIR}"
        COMMAND ${CMAKE_COMMAND} "-DHLPC=${tool}" "-DSOURCE=${source}" "-DOUTPUT=${output}"
                "-DPAGE=${page}"
                -P "${ORTHOLUX_HELP_FILE_SCRIPT}"
        DEPENDS "${source}" "${ORTHOLUX_HELP_FILE_SCRIPT}" ${tool_depends}
        COMMENT "Compiling help file ${output}"
        VERBATIM)
    add_custom_target(${TARGET_NAME} ALL DEPENDS "${output}" "${page}")
endfunction()
