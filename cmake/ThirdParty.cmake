# Header-only libraries from Debian's packages (libcli11-dev, nlohmann-json3-dev).
#
# They live in /usr/include, which a cross-compiler must not search (it holds the Linux C library's
# headers), so each is reached through a folder of its own that links to its headers alone.
set(ZOLVANE_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${ZOLVANE_THIRD_PARTY_INCLUDE})

function(zolvane_header_library name header_folder)
    if(NOT EXISTS /usr/include/${header_folder})
        message(FATAL_ERROR "/usr/include/${header_folder} is missing: run scripts/install-deps")
    endif()
    file(CREATE_LINK /usr/include/${header_folder} ${ZOLVANE_THIRD_PARTY_INCLUDE}/${header_folder} SYMBOLIC)
    add_library(${name} INTERFACE)
    target_include_directories(${name} SYSTEM INTERFACE ${ZOLVANE_THIRD_PARTY_INCLUDE})
endfunction()

zolvane_header_library(third_party_cli11 CLI)
zolvane_header_library(third_party_json nlohmann)
