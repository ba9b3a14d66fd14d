# The program's frame under Wine: instances, window, shutdown, theme and DPI. Scenarios are
# functions in shell_scenarios.sh; they drive the program through tidewatch_probe.exe.
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

set(SHELL_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/shell_scenarios.sh)
foreach(scenario
    starts_hidden_in_tray second_start_hands_over close_hides session_end exit_ends_promptly
    exit_while_cooler_silent theme_follows_colour_set dark_at_start_120_dpi fonts_at_144_dpi
    commands_reach_shared_state)
  tidewatch_e2e_scenario(${scenario} ${SHELL_SCENARIOS}
    ENV HX_PROBE=$<TARGET_FILE:tidewatch_probe> HX_MAP=${CMAKE_BINARY_DIR}/Tidewatch.map)
endforeach()
tidewatch_e2e_scenario(start_during_shutdown ${SHELL_SCENARIOS}
  ENV HX_PROBE=$<TARGET_FILE:tidewatch_probe> HX_MAP=${CMAKE_BINARY_DIR}/Tidewatch.map)
