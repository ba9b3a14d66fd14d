# The dashboard of the real exe under Wine: how it looks in both themes at two DPIs, its
# buttons and sliders driven with xdotool, and what one paint costs. Scenarios are functions
# in dashboard_scenarios.sh; screenshots are kept in build/windows/e2e/screenshots/.
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

set(DASHBOARD_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/dashboard_scenarios.sh)
foreach(scenario dashboard_looks_96 dashboard_looks_144 dashboard_fits_1366x768_96
    dashboard_fits_1920x1080_144 dashboard_profile_buttons dashboard_slider_and_apply
    dashboard_keyboard dashboard_paint_cost dashboard_high_contrast dashboard_screen_reader)
  tidewatch_e2e_scenario(${scenario} ${DASHBOARD_SCENARIOS}
    ENV HX_PROBE=$<TARGET_FILE:tidewatch_probe>)
endforeach()
