# The Windows installer, made by NSIS from installer/melodrift.nsi out of the built programs, the help
# file, the transcoder (when the build has one) and the rendered artwork.
find_program(MELODRIFT_MAKENSIS makensis)
if(NOT MELODRIFT_MAKENSIS)
    message(FATAL_ERROR "makensis (Debian package nsis) is needed for the installer: run scripts/setup.sh")
endif()

set(MELODRIFT_SETUP ${CMAKE_BINARY_DIR}/Melodrift-${PROJECT_VERSION}-setup.exe)
set(MELODRIFT_SETUP_INPUTS melodrift melodrift-cli ${CMAKE_BINARY_DIR}/bin/mldrift.chm
    ${CMAKE_SOURCE_DIR}/installer/melodrift.nsi ${MELODRIFT_ARTWORK})
set(MELODRIFT_SETUP_DEFINES -DVERSION=${PROJECT_VERSION} -DPROGRAM_DIR=${CMAKE_BINARY_DIR}/bin
    -DARTWORK_DIR=${MELODRIFT_ARTWORK_DIR} -DOUTFILE=${MELODRIFT_SETUP})
if(EXISTS "${MELODRIFT_WIN_FFMPEG}")
    list(APPEND MELODRIFT_SETUP_DEFINES -DWITH_TRANSCODER)
    list(APPEND MELODRIFT_SETUP_INPUTS ${CMAKE_BINARY_DIR}/bin/mdxcode.exe)
endif()
# -WX: a warning (a missing file, a wrong setting) fails the build rather than making a doubtful installer.
add_custom_command(OUTPUT ${MELODRIFT_SETUP}
    COMMAND ${MELODRIFT_MAKENSIS} -V2 -WX ${MELODRIFT_SETUP_DEFINES} ${CMAKE_SOURCE_DIR}/installer/melodrift.nsi
    DEPENDS ${MELODRIFT_SETUP_INPUTS}
    COMMENT "Making the installer"
    VERBATIM)
add_custom_target(installer ALL DEPENDS ${MELODRIFT_SETUP})
