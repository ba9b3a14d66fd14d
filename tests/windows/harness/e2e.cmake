# CTest registration of end-to-end scenarios under Wine (see harness.sh). Include this from
# a tests/windows/<group>.cmake file, then call tidewatch_e2e_scenario for each scenario.
include_guard(GLOBAL)

set(TIDEWATCH_HARNESS ${CMAKE_CURRENT_LIST_DIR})
# s per scenario; the runner is stopped (and tears down) after it. At least three times what a
# scenario takes while the whole suite runs on half of a 2-core machine (scripts/test --busy).
set(TIDEWATCH_E2E_LIMIT 120)

# The fixture: the cached prefix exists and has the current stand-ins.
add_test(NAME e2e_prefix COMMAND bash ${TIDEWATCH_HARNESS}/run-scenario.sh --prepare)
set(TIDEWATCH_E2E_ENV
  HX_BUILD=${CMAKE_BINARY_DIR}
  HX_PREFIX=${CMAKE_BINARY_DIR}/e2e/prefix
  HX_SIM=$<TARGET_FILE:kraken_sim>
  HX_STANDIN_HID=$<TARGET_FILE:hid_standin>
  HX_STANDIN_SETUPAPI=$<TARGET_FILE:setupapi_standin>
  HX_WINEBOOT=$<TARGET_FILE:wineboot_stub>
  HX_DECOY_HID=$<TARGET_FILE:hid_decoy>
  HX_NVML_STANDINS=$<TARGET_FILE_DIR:nvml_standin_full>/..
  HX_TIDEWATCH=$<TARGET_FILE:Tidewatch>
  HX_TRANSPORT_TEST=$<TARGET_FILE:transport_wine_test>
  HX_POLLER=$<TARGET_FILE:kraken_poller>
  HX_STANDIN_NVML=$<TARGET_FILE:nvml_standin_full>)
set_tests_properties(e2e_prefix PROPERTIES LABELS e2e FIXTURES_SETUP wine_prefix
  ENVIRONMENT "${TIDEWATCH_E2E_ENV}" TIMEOUT 120)

# tidewatch_e2e_scenario(NAME SCRIPT [LIMIT SECONDS] [ENV VAR=value ...]): the test e2e_NAME
# runs scenario_NAME from SCRIPT, stopped after LIMIT seconds (default TIDEWATCH_E2E_LIMIT).
# Scenarios run side by side (ctest -j), each session on a display, prefix and wineserver of
# its own; a scenario given a longer LIMIT is started before the others.
function(tidewatch_e2e_scenario name script)
  cmake_parse_arguments(PARSE_ARGV 2 SCENARIO "" "LIMIT" "ENV")
  set(limit ${TIDEWATCH_E2E_LIMIT})
  if(SCENARIO_LIMIT)
    set(limit ${SCENARIO_LIMIT})
  endif()
  add_test(NAME e2e_${name}
    COMMAND timeout -k 10 ${limit}
      bash ${TIDEWATCH_HARNESS}/run-scenario.sh ${script} ${name})
  set(environment ${TIDEWATCH_E2E_ENV} ${SCENARIO_ENV})
  math(EXPR ctest_limit "${limit} + 30")
  set_tests_properties(e2e_${name} PROPERTIES LABELS e2e FIXTURES_REQUIRED wine_prefix
    ENVIRONMENT "${environment}" TIMEOUT ${ctest_limit} COST ${limit})
endfunction()
