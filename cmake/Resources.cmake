# The desktop program's resources: the resource script, the artwork rendered from its SVG sources at build
# time, and the version numbers for the version block.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
find_program(MELODRIFT_RSVG_CONVERT rsvg-convert)
if(NOT MELODRIFT_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) is needed for the artwork: run scripts/setup.sh")
endif()

set(MELODRIFT_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/src/resources/melodrift.rc)
set(MELODRIFT_ARTWORK_DIR ${CMAKE_BINARY_DIR}/artwork)
set(MELODRIFT_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

file(GLOB MELODRIFT_ARTWORK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/artwork/*.svg)
set(MELODRIFT_ARTWORK background.bmp installer-welcome.bmp installer-header.bmp main.ico close.ico minimize.ico help.ico hand.cur)
list(TRANSFORM MELODRIFT_ARTWORK PREPEND ${MELODRIFT_ARTWORK_DIR}/)
add_custom_command(OUTPUT ${MELODRIFT_ARTWORK}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/render_artwork.py
            ${CMAKE_SOURCE_DIR}/src/resources/artwork ${MELODRIFT_ARTWORK_DIR} --rsvg ${MELODRIFT_RSVG_CONVERT}
    DEPENDS ${MELODRIFT_ARTWORK_SOURCES} ${CMAKE_SOURCE_DIR}/scripts/render_artwork.py
    COMMENT "Rendering the artwork"
    VERBATIM)
add_custom_target(artwork DEPENDS ${MELODRIFT_ARTWORK})

configure_file(${CMAKE_SOURCE_DIR}/src/resources/version.h.in ${MELODRIFT_GENERATED_DIR}/melodrift_version.h @ONLY)

# Source properties belong to the directory that sets them, and the window tests add the script in tests/:
# so they are set at the end of the top directory, when every directory that may use the script exists.
function(melodrift_resource_properties)
    set(dirs ${CMAKE_SOURCE_DIR})
    set(pending ${CMAKE_SOURCE_DIR})
    while(pending)
        list(POP_FRONT pending dir)
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        list(APPEND dirs ${subdirs})
        list(APPEND pending ${subdirs})
    endwhile()
    set_source_files_properties(${MELODRIFT_RESOURCE_SCRIPT} DIRECTORY ${dirs} PROPERTIES
        INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR}/src/resources;${CMAKE_SOURCE_DIR}/src;${MELODRIFT_ARTWORK_DIR};${MELODRIFT_GENERATED_DIR}"
        OBJECT_DEPENDS "${MELODRIFT_ARTWORK};${CMAKE_SOURCE_DIR}/src/resources/resource.h;${CMAKE_SOURCE_DIR}/src/commands/Commands.h;${CMAKE_SOURCE_DIR}/src/resources/options.rc;${CMAKE_SOURCE_DIR}/src/resources/customformats.rc;${CMAKE_SOURCE_DIR}/src/resources/melodrift.manifest;${MELODRIFT_GENERATED_DIR}/melodrift_version.h")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL melodrift_resource_properties)
