# Places the transcoder in the build's program folder.
# Native: a link to the system ffmpeg. Windows: the FFmpeg build unpacked by scripts/setup.sh.
if(WIN32)
    set(MELODRIFT_WIN_FFMPEG "${CMAKE_SOURCE_DIR}/.deps/win32-x64/ffmpeg.exe" CACHE FILEPATH
        "Windows FFmpeg executable that becomes mdxcode.exe")
    if(EXISTS "${MELODRIFT_WIN_FFMPEG}")
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/mdxcode.exe
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MELODRIFT_WIN_FFMPEG} ${CMAKE_BINARY_DIR}/bin/mdxcode.exe
            DEPENDS ${MELODRIFT_WIN_FFMPEG})
        add_custom_target(transcoder ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/mdxcode.exe)
    else()
        message(WARNING "No Windows FFmpeg at ${MELODRIFT_WIN_FFMPEG}: run scripts/setup.sh")
        add_custom_target(transcoder)
    endif()
else()
    find_program(MELODRIFT_SYSTEM_FFMPEG ffmpeg)
    if(MELODRIFT_SYSTEM_FFMPEG)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/mdxcode
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
            COMMAND ${CMAKE_COMMAND} -E create_symlink ${MELODRIFT_SYSTEM_FFMPEG} ${CMAKE_BINARY_DIR}/bin/mdxcode)
        add_custom_target(transcoder ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/mdxcode)
    else()
        message(WARNING "No ffmpeg found: run scripts/setup.sh")
        add_custom_target(transcoder)
    endif()
endif()
