# The cooler's language over a scripted transport, byte by byte.
add_executable(command_tests
  ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fakes/scripted_transport.cpp)
target_link_libraries(command_tests PRIVATE tidewatch_fakes GTest::gtest GTest::gtest_main)
gtest_discover_tests(command_tests DISCOVERY_TIMEOUT 30 PROPERTIES LABELS unit)
