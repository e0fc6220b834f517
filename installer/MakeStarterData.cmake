# Makes the data that the setup program installs: the starter skits and an ops file that knows them.
#
#   cmake -DPAKTOOL=paktool -DDRAW=make_demo_skits.py -DSERVER_URL=URL -DOUT=FOLDER -P MakeStarterData.cmake
#
# The starter skits are the demo skits, with the maker's server in their addresses. OUT gets skits/ (the
# movies only), zolvane.ops, and the skit list's manifest and the list itself on the way. The list is
# merged at the time of the build, so a new installation fetches its first list a week later, not at
# once.
cmake_minimum_required(VERSION 3.25)

foreach(name IN ITEMS PAKTOOL DRAW SERVER_URL OUT)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "MakeStarterData.cmake needs -D${name}=...")
    endif()
endforeach()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command} failed (${status}):\n${output}")
    endif()
endfunction()

set(skits ${OUT}/skits)
set(ops ${OUT}/zolvane.ops)
file(REMOVE_RECURSE ${skits})
file(REMOVE ${ops} ${OUT}/starter.syn)
file(MAKE_DIRECTORY ${skits})

run(${DRAW} ${skits} --base-url ${SERVER_URL})
file(RENAME ${skits}/demo-skits.json ${OUT}/starter-skits.json)
run(${PAKTOOL} make-sync ${OUT}/starter-skits.json ${OUT}/starter.syn)
run(${PAKTOOL} make-ops ${ops} --list-url ${SERVER_URL}/skits.syn --list-file skits.syn --interval-days 7)
# The merge makes the list current as of now, as a downloaded list is.
string(TIMESTAMP now "%Y-%m-%dT%H:%M:%S")
run(${PAKTOOL} merge ${ops} ${OUT}/starter.syn --skits ${skits} --sync-method 0 --now ${now})
