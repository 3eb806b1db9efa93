# Fails when a source file includes a header of a layer above its own, or when the core
# includes Qt. The layers are CMake libraries, but they share one include root, so the
# compiler alone would accept an include that points upwards.
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
#
# For each folder: the folders whose headers its files may include (its own always).
set(allowed_hid "")
set(allowed_hid_linux "hid")
set(allowed_hid_windows "hid")
set(allowed_sim "hid")
set(allowed_state "hid")
set(allowed_keymap "state;hid")
set(allowed_script "state;hid")
set(allowed_res "")
set(allowed_skin "res")
set(allowed_app "skin;res;keymap;script;state;sim;hid")
set(allowed_cli "app;keymap;script;state;sim;hid")
# vornkbd is a Linux program by nature (the kernel's uhid) and shares the backend's helpers.
set(allowed_cli_vornkbd "cli;app;keymap;script;state;sim;hid;hid/linux")
# The folders that must build without Qt.
set(qt_free hid hid_linux hid_windows sim state keymap script cli cli_vornkbd)

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
    message(FATAL_ERROR "ROOT is not set")
endif()

set(faults "")
foreach(layer hid hid_linux hid_windows sim state keymap script res skin app cli cli_vornkbd)
    string(REPLACE "_" "/" folder ${layer})
    if(layer STREQUAL "hid")
        # hid/ itself, without its backend folders.
        file(GLOB sources ${ROOT}/hid/*.h ${ROOT}/hid/*.cpp)
    elseif(layer STREQUAL "cli")
        file(GLOB_RECURSE sources ${ROOT}/cli/*.h ${ROOT}/cli/*.cpp)
        list(FILTER sources EXCLUDE REGEX "/cli/vornkbd/")
    else()
        file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    endif()
    set(may ${folder} ${allowed_${layer}})
    list(JOIN may " " may_text)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        foreach(line ${includes})
            if(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+(/[a-z_]+)?)/[^\"]*\"")
                set(target ${CMAKE_MATCH_1})
                # "hid/linux/x.h" belongs to hid/linux, "hid/x.h" to hid.
                if(NOT target MATCHES "^hid/(linux|windows)$")
                    string(REGEX REPLACE "/.*" "" target ${target})
                endif()
                if(NOT target IN_LIST may)
                    file(RELATIVE_PATH where ${ROOT} ${source})
                    list(APPEND faults "${where}: ${line} (${folder} may include: ${may_text})")
                endif()
            elseif(layer IN_LIST qt_free AND line MATCHES "#[ \t]*include[ \t]*<Q")
                file(RELATIVE_PATH where ${ROOT} ${source})
                list(APPEND faults "${where}: ${line} (${folder} is built without Qt)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes that point up the layers:\n  ${text}")
endif()
message(STATUS "Every include points down the layers")
