# The Windows transport under Wine against the simulated cooler, the stand-ins' exports, and
# the harness's own checks. Scenarios are functions in transport_scenarios.sh.
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

add_executable(transport_wine_test ${CMAKE_CURRENT_LIST_DIR}/transport_wine_test.cpp
  ${CMAKE_SOURCE_DIR}/cooler/transport.cpp ${CMAKE_SOURCE_DIR}/cooler/models.cpp ${CMAKE_SOURCE_DIR}/cooler/transport_win32.cpp)
target_include_directories(transport_wine_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(transport_wine_test PRIVATE setupapi)
target_link_options(transport_wine_test PRIVATE -static)

add_test(NAME standin_exports_cover_imports
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_standin_exports.sh
    $<TARGET_FILE:hid_standin> $<TARGET_FILE:setupapi_standin> --
    $<TARGET_FILE:Tidewatch> $<TARGET_FILE:transport_wine_test> $<TARGET_FILE:commands_wine_test>
    $<TARGET_FILE:worker_wine_test>)
set_tests_properties(standin_exports_cover_imports PROPERTIES LABELS static)

set(TRANSPORT_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/transport_scenarios.sh)
foreach(scenario
    no_matching_interface skips_held_interface opens_first_of_two skips_unreadable_interfaces
    interfaces_as_windows_lists_them round_trip realistic_cooler short_read_fails silent_read_times_out deaf_write_times_out long_command_refused
    planted_hid_not_loaded unplug_and_back
    harness_detects_crash harness_tears_down_after_failure exe_polls_the_cooler)
  tidewatch_e2e_scenario(${scenario} ${TRANSPORT_SCENARIOS})
endforeach()
