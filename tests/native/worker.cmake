# The device worker's turns over the in-process simulated cooler and the fake GPU library.
include(${CMAKE_SOURCE_DIR}/standins/kraken/native.cmake)

add_executable(worker_tests ${CMAKE_CURRENT_LIST_DIR}/worker_test.cpp)
target_link_libraries(worker_tests PRIVATE
  kraken_sim_native tidewatch_fakes GTest::gtest GTest::gtest_main)
gtest_discover_tests(worker_tests DISCOVERY_TIMEOUT 30 PROPERTIES LABELS worker)
