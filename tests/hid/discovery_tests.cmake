# Model table, discovery, the device monitors and the Linux backend.
vorn_add_gtest(vorn_hid_linux_tests LABELS hid
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReportDescriptorTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/LinuxSysfsTest.cpp
    LIBS vorn_hid_linux vorn_discovery)

if(TARGET vorn_sim)
    vorn_add_gtest(vorn_discovery_tests LABELS hid
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModelTableTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/DiscoveryTest.cpp
        LIBS vorn_discovery vorn_sim)
    vorn_add_gtest(vorn_device_monitor_tests LABELS hid tsan
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeviceMonitorTest.cpp
        LIBS vorn_hid_linux vorn_sim)
endif()
