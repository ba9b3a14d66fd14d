# The fault matrix of the real exe under Wine: a cooler that is pulled, silent, deaf, chatty,
# out of range or garbled, two coolers and a held one, a GPU library that is missing or
# failing, planted DLLs, and the objects across many status updates and badge changes.
# Scenarios are functions in faults_scenarios.sh; they use tidewatch_probe.exe (probe.cmake)
# and the decoy DLLs (standins/decoy).
include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)

set(FAULTS_SCENARIOS ${CMAKE_CURRENT_LIST_DIR}/faults_scenarios.sh)
foreach(scenario
    faults_cable_pulled faults_silent_cooler faults_deaf_cooler faults_bad_replies
    faults_two_coolers_and_held faults_gpu_library faults_planted_dlls
    faults_objects_badge_changes faults_refused_at_once)
  tidewatch_e2e_scenario(${scenario} ${FAULTS_SCENARIOS})
endforeach()
# A minute between the two re-writes of the curve, then four dropouts: 94 s with one core kept
# busy.
tidewatch_e2e_scenario(faults_other_controller ${FAULTS_SCENARIOS} LIMIT 300)
# A long power loss, three short ones 12 s apart and a resume: 54 s with one core kept busy.
tidewatch_e2e_scenario(faults_power_loss_and_resume ${FAULTS_SCENARIOS} LIMIT 180)
tidewatch_e2e_scenario(faults_objects_status_updates ${FAULTS_SCENARIOS})
