# Keyboard link: transport, reply reader, commands; run under ThreadSanitizer in CI.
vorn_add_gtest(link_tests
    LABELS hid tsan
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LinkSendPacketTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkReplyTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkCommandTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkFailureTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkConcurrencyTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkRoundTripTest.cpp
    LIBS vorn_sim vorn_hid)
