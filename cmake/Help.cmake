# The help file mldrift.chm beside the desktop program, compiled from help/ with chmcmd (Free Pascal's CHM
# compiler). The pages show the screenshots of docs/, which are copied in as images/.
#
# Included by the top CMakeLists.txt, this file adds the build step. Run with cmake -P it is that build step:
# it copies the sources into a fresh folder of the build tree (chmcmd writes its output beside the project),
# runs chmcmd there, refuses a file with missing files or broken links, and copies the result to OUTPUT.

if(CMAKE_SCRIPT_MODE_FILE)
    cmake_policy(VERSION 3.25)
    file(REMOVE_RECURSE ${STAGE_DIR})
    file(MAKE_DIRECTORY ${STAGE_DIR}/images)
    file(GLOB sources ${SOURCE_DIR}/*)
    file(COPY ${sources} DESTINATION ${STAGE_DIR})
    file(GLOB images ${IMAGE_DIR}/*.png)
    file(COPY ${images} DESTINATION ${STAGE_DIR}/images)

    execute_process(COMMAND ${CHMCMD} --html-scan mldrift.hhp
        WORKING_DIRECTORY ${STAGE_DIR}
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    # chmcmd still writes the file when a page links to a missing file (a warning) or anchor (an error).
    string(REGEX MATCHALL "[^\n]*(Warning|[Ee]rror|not found|exception)[^\n]*" problems "${output}")
    if(NOT result EQUAL 0 OR problems OR NOT EXISTS ${STAGE_DIR}/mldrift.chm)
        message(FATAL_ERROR "chmcmd failed on the help sources (exit ${result}):\n${output}")
    endif()

    file(COPY_FILE ${STAGE_DIR}/mldrift.chm ${OUTPUT})
    return()
endif()

find_program(MELODRIFT_CHMCMD chmcmd)
if(NOT MELODRIFT_CHMCMD)
    message(FATAL_ERROR "chmcmd (Debian package fp-utils) is needed for the help file: run scripts/setup.sh")
endif()

set(MELODRIFT_HELP_FILE ${CMAKE_BINARY_DIR}/bin/mldrift.chm)
file(GLOB MELODRIFT_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
file(GLOB MELODRIFT_HELP_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
add_custom_command(OUTPUT ${MELODRIFT_HELP_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
    COMMAND ${CMAKE_COMMAND} -DCHMCMD=${MELODRIFT_CHMCMD} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/help
            -DIMAGE_DIR=${CMAKE_SOURCE_DIR}/docs -DSTAGE_DIR=${CMAKE_BINARY_DIR}/help
            -DOUTPUT=${MELODRIFT_HELP_FILE} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${MELODRIFT_HELP_SOURCES} ${MELODRIFT_HELP_IMAGES} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Compiling the help file"
    VERBATIM)
add_custom_target(helpfile ALL DEPENDS ${MELODRIFT_HELP_FILE})
