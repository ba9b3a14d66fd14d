# Programs that scripts/bench measures (not tests).
include(${CMAKE_SOURCE_DIR}/standins/kraken/native.cmake)
add_executable(worker_turn_bench ${CMAKE_SOURCE_DIR}/tests/bench/worker_turn_bench.cpp)
target_link_libraries(worker_turn_bench PRIVATE kraken_sim_native tidewatch_fakes)
