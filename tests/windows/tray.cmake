# The real exe's tray icon, menu and placement under Wine against the simulated cooler.
# Scenarios are functions in tray_scenarios.sh; they use tidewatch_probe.exe (probe.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

set(TRAY_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/tray_scenarios.sh)
foreach(scenario
    tray_badge_follows_the_liquid tray_badge_at_120 tray_badge_at_144 tray_unplug_and_replug tray_menu_profile_by_mouse
    tray_menu_greyed_without_cooler tray_menu_brightness_by_keyboard tray_menu_exit
    tray_menu_stacked_and_session_end
    tray_clicks_and_placement_96 tray_clicks_and_placement_120 tray_clicks_and_placement_144
    tray_clicks_and_placement_small
    tray_taskbar_restart)
  tidewatch_e2e_scenario(${scenario} ${TRAY_SCENARIOS})
endforeach()
# Eleven runs of the program, one for each model and way of answering.
tidewatch_e2e_scenario(tray_family ${TRAY_SCENARIOS} LIMIT 150)
# Waits out Wine's balloon (10 s) and the hidden window's polls (2 s): 57 s with one core
# kept busy.
tidewatch_e2e_scenario(tray_alerts ${TRAY_SCENARIOS} LIMIT 180)
