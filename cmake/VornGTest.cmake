# GoogleTest for the tests. A native build uses the system's package; a cross build (the
# Windows build with mingw-w64) compiles it from the source package (Debian: googletest,
# /usr/src/googletest) with the cross compiler, Win32 threads instead of pthreads.
if(CMAKE_CROSSCOMPILING)
    set(VORN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
        "GoogleTest sources for a cross build (the folder holding googletest/ and googlemock/)")
    if(NOT EXISTS ${VORN_GTEST_SOURCE_DIR}/CMakeLists.txt)
        message(FATAL_ERROR "A cross build with tests needs the GoogleTest sources in "
            "VORN_GTEST_SOURCE_DIR (${VORN_GTEST_SOURCE_DIR}); install the package googletest "
            "or configure with -DVORN_BUILD_TESTS=OFF")
    endif()
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VORN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()
