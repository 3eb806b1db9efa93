# Compiles one example script with vornc for both script layouts. The layouts its header
# names ("' Layouts: 1 2") must compile to the golden temp.o (the same file for each: a
# key name has the same code in every table that holds it); a layout it does not name
# must refuse it, so the header cannot claim less than is true either.
#   cmake -DVORNC=... -DSCRIPT=... -DGOLDEN=... -DLISTING=... -DWORK=... [-DUPDATE=ON] -P CheckExample.cmake
# The first named layout's listing and dry run (vornc --listing --run) must equal the
# golden LISTING file too.
# With UPDATE a missing golden file is written from the first named layout instead.
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${SCRIPT}" header REGEX "^' Layouts:")
if(NOT header)
    message(FATAL_ERROR "${SCRIPT}: no \"' Layouts:\" line in its header")
endif()
list(GET header 0 header)
string(REGEX MATCHALL "[0-9]+" named "${header}")
if(NOT named)
    message(FATAL_ERROR "${SCRIPT}: the Layouts line names no layout")
endif()

foreach(layout 1 2)
    set(dir "${WORK}/layout${layout}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    execute_process(COMMAND "${VORNC}" --explain --layout ${layout} "${SCRIPT}"
        WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status
        OUTPUT_QUIET ERROR_VARIABLE refusal)
    if(layout IN_LIST named)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "layout ${layout}: refused (status ${status}):\n${refusal}")
        endif()
        if(UPDATE AND NOT EXISTS "${GOLDEN}")
            file(COPY_FILE "${dir}/temp.o" "${GOLDEN}")
        endif()
        file(READ "${dir}/temp.o" got HEX)
        file(READ "${GOLDEN}" want HEX)
        if(NOT got STREQUAL want)
            file(READ "${dir}/temp.o" text)
            message(FATAL_ERROR "layout ${layout}: temp.o differs from ${GOLDEN}; it holds:\n${text}")
        endif()
    elseif(status EQUAL 0)
        message(FATAL_ERROR "layout ${layout} is not named in the header but compiles")
    elseif(NOT status EQUAL 1 OR EXISTS "${dir}/temp.o")
        message(FATAL_ERROR "layout ${layout}: status ${status}, not a plain refusal:\n${refusal}")
    endif()
endforeach()

list(GET named 0 first)
set(dir "${WORK}/listing")
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}")
execute_process(COMMAND "${VORNC}" --layout ${first} --listing --run "${SCRIPT}"
    WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status
    OUTPUT_VARIABLE shown ERROR_VARIABLE refusal)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "--listing --run: status ${status}:\n${refusal}")
endif()
if(UPDATE AND NOT EXISTS "${LISTING}")
    file(WRITE "${LISTING}" "${shown}")
endif()
file(READ "${LISTING}" want)
if(NOT shown STREQUAL want)
    message(FATAL_ERROR "--listing --run differs from ${LISTING}; it printed:\n${shown}")
endif()
