# The real command set and the real device worker under Wine against the simulated cooler.
# Scenarios are functions in commands_scenarios.sh and worker_scenarios.sh.
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

add_executable(commands_wine_test ${CMAKE_CURRENT_LIST_DIR}/commands_wine_test.cpp
  ${CMAKE_SOURCE_DIR}/cooler/commands.cpp ${CMAKE_SOURCE_DIR}/cooler/transport.cpp
  ${CMAKE_SOURCE_DIR}/cooler/transport_win32.cpp ${CMAKE_SOURCE_DIR}/app/shared_state.cpp
  ${CMAKE_SOURCE_DIR}/app/text.cpp ${CMAKE_SOURCE_DIR}/profiles/profiles.cpp)
target_include_directories(commands_wine_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(commands_wine_test PRIVATE setupapi user32)
target_link_options(commands_wine_test PRIVATE -static)

set(COMMANDS_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/commands_scenarios.sh)
foreach(scenario commands_write_reports commands_status_replies commands_screen_info)
  tidewatch_e2e_scenario(${scenario} ${COMMANDS_SCENARIOS}
    ENV HX_COMMANDS_TEST=$<TARGET_FILE:commands_wine_test>)
endforeach()

add_executable(worker_wine_test ${CMAKE_CURRENT_LIST_DIR}/worker_wine_test.cpp
  ${CMAKE_SOURCE_DIR}/cooler/worker.cpp ${CMAKE_SOURCE_DIR}/cooler/episodes.cpp
  ${CMAKE_SOURCE_DIR}/cooler/commands.cpp ${CMAKE_SOURCE_DIR}/app/session_win32.cpp
  ${CMAKE_SOURCE_DIR}/cooler/transport.cpp ${CMAKE_SOURCE_DIR}/cooler/transport_win32.cpp
  ${CMAKE_SOURCE_DIR}/app/shared_state.cpp ${CMAKE_SOURCE_DIR}/app/text.cpp
  ${CMAKE_SOURCE_DIR}/profiles/profiles.cpp ${CMAKE_SOURCE_DIR}/telemetry/publish.cpp
  ${CMAKE_SOURCE_DIR}/telemetry/history.cpp ${CMAKE_SOURCE_DIR}/telemetry/gpu.cpp
  ${CMAKE_SOURCE_DIR}/telemetry/nvml_library_win32.cpp)
target_include_directories(worker_wine_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(worker_wine_test PRIVATE setupapi user32)
target_link_options(worker_wine_test PRIVATE -static -municode)

set(WORKER_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/worker_scenarios.sh)
foreach(scenario worker_without_cooler worker_poll_cadence worker_silent_cooler)
  tidewatch_e2e_scenario(${scenario} ${WORKER_SCENARIOS}
    ENV HX_WORKER_TEST=$<TARGET_FILE:worker_wine_test>)
endforeach()
