# The simulated cooler's model and the transport contract over its native backend.
include(${CMAKE_SOURCE_DIR}/standins/kraken/native.cmake)

add_executable(kraken_sim_tests
  ${CMAKE_CURRENT_LIST_DIR}/sim_model_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_transport_test.cpp)
target_link_libraries(kraken_sim_tests PRIVATE
  kraken_sim_native tidewatch_fakes GTest::gtest GTest::gtest_main)
gtest_discover_tests(kraken_sim_tests DISCOVERY_TIMEOUT 30 PROPERTIES LABELS transport)
