# Keyboard link: transport, reply reader, commands; run under ThreadSanitizer in CI.
# tsan comes first: only the first label survives the test discovery of vorn_add_gtest.
vorn_add_gtest(link_tests
    LABELS tsan hid
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LinkSendPacketTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkReplyTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkCommandTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkFailureTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkConcurrencyTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LinkRoundTripTest.cpp
    LIBS vorn_sim vorn_hid)
