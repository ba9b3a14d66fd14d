# Coverage-guided fuzzing, with address and undefined-behaviour sanitisers, of the code that
# reads outside input: the reply checks, the reply wait over a scripted transport, the
# history rings and the text builders. Each target runs for FUZZ_SECONDS in the test suite;
# scripts/fuzz runs them longer.
find_package(Threads REQUIRED)
set(FUZZ_SECONDS 3 CACHE STRING "seconds each fuzz target runs under CTest")
set(SANITIZERS address,undefined)

add_library(fuzz_core OBJECT ${CORE_SOURCES} ${NATIVE_SOURCES}
  ${CMAKE_SOURCE_DIR}/tests/fakes/fake_window.cpp
  ${CMAKE_SOURCE_DIR}/tests/fakes/fake_nvml.cpp
  ${CMAKE_SOURCE_DIR}/tests/fakes/scripted_transport.cpp)
target_include_directories(fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(fuzz_core PUBLIC -fsanitize=fuzzer-no-link,${SANITIZERS}
  -fno-sanitize-recover=all -fno-omit-frame-pointer)

# Crash inputs and other findings land here, never in the working folder.
set(FUZZ_FINDINGS ${CMAKE_BINARY_DIR}/findings)
file(MAKE_DIRECTORY ${FUZZ_FINDINGS})

file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${FUZZ_TARGETS})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source} $<TARGET_OBJECTS:fuzz_core>)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,${SANITIZERS} -fno-sanitize-recover=all)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,${SANITIZERS})
  target_link_libraries(${name} PRIVATE Threads::Threads)
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${FUZZ_SECONDS} -seed=1
    -print_final_stats=1 -artifact_prefix=${FUZZ_FINDINGS}/${name}-)
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120
    WORKING_DIRECTORY ${FUZZ_FINDINGS})
endforeach()
