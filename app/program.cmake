# The program: the About box and the Qt user seam (vorn_app_dialogs), the main window
# (vorn_program), the executable vornutil and the demo vornutil-demo that runs the same
# window against simulated keyboards.
set(vorn_app ${CMAKE_CURRENT_LIST_DIR})

add_library(vorn_app_dialogs STATIC
    ${vorn_app}/CAboutDlg.cpp
    ${vorn_app}/FileFilter.cpp
    ${vorn_app}/GuiThread.cpp
    ${vorn_app}/HiddenMessage.cpp
    ${vorn_app}/QtUserSeam.cpp
)
# The dialog templates (.ui) live in res/.
set_target_properties(vorn_app_dialogs PROPERTIES AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/res)
target_include_directories(vorn_app_dialogs PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorn_app_dialogs PUBLIC vorn_hid vorn_version_block Qt6::Widgets)
vorn_warnings(vorn_app_dialogs)

# The window needs every layer below it; until they are all in the tree there is no
# program to build.
if(NOT (TARGET vorn_skin AND TARGET vorn_res AND TARGET vorn_keymap
        AND TARGET vorn_script_download AND TARGET vorn_discovery))
    return()
endif()

add_library(vorn_program STATIC
    ${vorn_app}/CVornUtilApp.cpp
    ${vorn_app}/CVornUtilDlg.cpp
    ${vorn_app}/DeviceWatcher.cpp
    ${vorn_app}/MainStateView.cpp
)
target_link_libraries(vorn_program PUBLIC
    vorn_app_dialogs vorn_skin vorn_res vorn_keymap vorn_script_download vorn_discovery)
# The main state has a member named `slots`, which Qt's keyword macros would eat.
target_compile_definitions(vorn_program PUBLIC QT_NO_KEYWORDS)
vorn_warnings(vorn_program)

# The simulated desk of the demo, also used by the tests and the screenshot tool.
add_library(vorn_demo_desk STATIC ${vorn_app}/DemoKeyboards.cpp)
target_link_libraries(vorn_demo_desk PUBLIC vorn_sim)
target_include_directories(vorn_demo_desk PUBLIC ${PROJECT_SOURCE_DIR})
vorn_warnings(vorn_demo_desk)

if(TARGET vorn_hid_linux)
    qt_add_executable(vornutil ${vorn_app}/main.cpp)
    target_link_libraries(vornutil PRIVATE vorn_program vorn_hid_linux)
    vorn_warnings(vornutil)
    vorn_embed_version(vornutil)
    install(TARGETS vornutil RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

qt_add_executable(vornutil-demo ${vorn_app}/demo_main.cpp)
target_link_libraries(vornutil-demo PRIVATE vorn_program vorn_demo_desk)
vorn_warnings(vornutil-demo)
vorn_embed_version(vornutil-demo)
install(TARGETS vornutil-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop integration: the menu entry and the icon in every size of the icon theme.
install(FILES ${PROJECT_SOURCE_DIR}/res/vornutil.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
file(GLOB vorn_theme_icons ${PROJECT_SOURCE_DIR}/res/icons/vornutil-*.png)
foreach(icon ${vorn_theme_icons})
    string(REGEX REPLACE ".*vornutil-([0-9]+)\\.png$" "\\1" size ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME vornutil.png)
endforeach()
