# The simulated device monitor, part of vorn_sim: device changes of the simulated keyboards
# behind the same seam as the Linux monitor.
target_sources(vorn_sim PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SimDeviceMonitor.cpp)
