# Settings shared by every target of our own.

# Warnings are errors in our code; third-party code (GoogleTest) keeps its own settings.
function(zolvane_code_settings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wconversion -Wno-sign-conversion -Werror)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    if(WIN32)
        # 8-bit ANSI texts and the A-suffixed calls throughout: never UNICODE.
        target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                                                    WINVER=0x0601)
    endif()
endfunction()

# A library of our own: `zolvane_library(name SOURCES a.cpp ... WIN32_SOURCES ... POSIX_SOURCES ...
# LINK ... WIN32_LINK ...)`. The WIN32_ parts are for Windows builds only.
function(zolvane_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;LINK;WIN32_LINK" ${ARGN})
    set(sources ${ARG_SOURCES})
    if(WIN32)
        list(APPEND sources ${ARG_WIN32_SOURCES})
        list(APPEND ARG_LINK ${ARG_WIN32_LINK})
    else()
        list(APPEND sources ${ARG_POSIX_SOURCES})
    endif()
    add_library(${name} STATIC ${sources})
    zolvane_code_settings(${name})
    if(ARG_LINK)
        target_link_libraries(${name} PUBLIC ${ARG_LINK})
    endif()
endfunction()
