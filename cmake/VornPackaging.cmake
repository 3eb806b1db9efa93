# Desktop integration, documentation and the Debian package.
#
# The application id io.github.vornutil.VornUtil names the desktop entry, the AppStream
# metadata and the icons. The metadata is written at build time by tools/metainfo, which
# puts one <modalias> per model of the model table into it. The package (with the window;
# every path is put under /usr, whatever CMAKE_INSTALL_PREFIX says):
#   cmake --build build && (cd build && cpack -G DEB)
set(VORN_APP_ID io.github.vornutil.VornUtil)
set(VORN_RELEASE_DATE 2026-12-08 CACHE STRING "The date of this version's release (AppStream)")
set(VORN_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/vornutil)

find_program(VORN_GZIP gzip REQUIRED)

# Man pages and the Debian changelog go into the package compressed, as Debian wants them.
function(vorn_gzip_file source destination)
    get_filename_component(name ${source} NAME)
    set(out ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${VORN_GZIP} -9nc ${source} > ${out}
        DEPENDS ${source}
        COMMENT "Compressing ${name}")
    install(FILES ${out} DESTINATION ${destination})
    set_property(GLOBAL APPEND PROPERTY VORN_PACKAGING_FILES ${out})
endfunction()

# ---- man pages and documentation ---------------------------------------------------------
file(GLOB vorn_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1)
foreach(page ${vorn_man_pages})
    get_filename_component(name ${page} NAME)
    if(NOT VORN_BUILD_GUI AND name MATCHES "^vornutil")
        continue()
    endif()
    vorn_gzip_file(${page} ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/changelog.in
    ${PROJECT_BINARY_DIR}/packaging/src/changelog @ONLY)
vorn_gzip_file(${PROJECT_BINARY_DIR}/packaging/src/changelog ${VORN_PACKAGE_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/deb/copyright DESTINATION ${VORN_PACKAGE_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/architecture.md
    DESTINATION ${VORN_PACKAGE_DOCDIR})

# ---- desktop entry, icons, AppStream metadata (the window only) -------------------------
if(VORN_BUILD_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/res/${VORN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    file(GLOB vorn_theme_icons ${PROJECT_SOURCE_DIR}/res/icons/vornutil-*.png)
    foreach(icon ${vorn_theme_icons})
        string(REGEX REPLACE ".*vornutil-([0-9]+)\\.png$" "\\1" size ${icon})
        install(FILES ${icon}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VORN_APP_ID}.png)
    endforeach()

    set(vorn_metainfo ${PROJECT_BINARY_DIR}/packaging/${VORN_APP_ID}.metainfo.xml)
    set(vorn_metainfo_in ${PROJECT_SOURCE_DIR}/res/${VORN_APP_ID}.metainfo.xml.in)
    add_custom_command(OUTPUT ${vorn_metainfo}
        COMMAND metainfo ${vorn_metainfo_in} ${vorn_metainfo} ${PROJECT_VERSION}
                ${VORN_RELEASE_DATE}
        DEPENDS metainfo ${vorn_metainfo_in}
        COMMENT "Writing the AppStream metadata")
    set_property(GLOBAL APPEND PROPERTY VORN_PACKAGING_FILES ${vorn_metainfo})
    install(FILES ${vorn_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

get_property(vorn_packaging_files GLOBAL PROPERTY VORN_PACKAGING_FILES)
add_custom_target(vorn_packaging_files ALL DEPENDS ${vorn_packaging_files})

# ---- checks: the desktop entry, the metadata, --version of the windows -------------------
if(VORN_BUILD_TESTS AND VORN_BUILD_GUI)
    find_program(VORN_DESKTOP_FILE_VALIDATE desktop-file-validate)
    find_program(VORN_APPSTREAMCLI appstreamcli)
    if(VORN_DESKTOP_FILE_VALIDATE)
        add_test(NAME desktop_entry_valid COMMAND ${VORN_DESKTOP_FILE_VALIDATE}
            ${PROJECT_SOURCE_DIR}/res/${VORN_APP_ID}.desktop)
        # Hints are printed, not failed on by the tool; the entry is to have none.
        set_tests_properties(desktop_entry_valid PROPERTIES LABELS packaging
            FAIL_REGULAR_EXPRESSION "error|warning|hint")
    endif()
    if(VORN_APPSTREAMCLI)
        add_test(NAME appstream_metainfo_valid COMMAND ${VORN_APPSTREAMCLI} validate --no-net
            --pedantic ${vorn_metainfo})
        set_tests_properties(appstream_metainfo_valid PROPERTIES LABELS packaging)
    endif()
    foreach(window vornutil vornutil-demo)
        add_test(NAME ${window}_version COMMAND ${window} --version)
        string(REPLACE "." "\\." version_pattern ${PROJECT_VERSION})
        set_tests_properties(${window}_version PROPERTIES LABELS packaging
            PASS_REGULAR_EXPRESSION "^${window} ${version_pattern}\n$")
    endforeach()
endif()

# ---- the Debian package ---------------------------------------------------------------------
set(CPACK_PACKAGE_NAME vornutil)
set(CPACK_PACKAGE_VENDOR "Vorn")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VornUtil maintainers <vornutil@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "keymap and macro script utility for Vorn USB keyboards")
set(CPACK_PACKAGE_DESCRIPTION
    "VornUtil saves the keymap of a Vorn keyboard (Orvane, Tessik, Orvane Pro,\n\
Tessik Pro, Orvane Lyric, Brellow) to a file, writes a keymap file back into\n\
the keyboard, and compiles macro scripts and programs them into the\n\
keyboard's script slots.\n\
.\n\
The package holds the window (vornutil), a demo on simulated keyboards\n\
(vornutil-demo), the command-line tools vornctl, vornc and vornkbd, and the\n\
udev rule that gives the user at the seat access to the keyboards.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/vornutil/vornutil")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/cmake/deb/postinst ${PROJECT_SOURCE_DIR}/cmake/deb/postrm)
# Folders the system owns are not the package's.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
