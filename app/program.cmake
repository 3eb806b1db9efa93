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
