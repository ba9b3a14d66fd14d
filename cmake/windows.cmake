# Tidewatch.exe: no C runtime, its own entry point, only system DLLs imported.
enable_language(RC)
# Unwind tables stay (.pdata/.xdata): a crash dump can walk the stack without them only by
# guessing.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-fno-threadsafe-statics>")

set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")

add_executable(Tidewatch WIN32 ${CORE_SOURCES} ${WIN32_SOURCES})
target_include_directories(Tidewatch PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(Tidewatch PRIVATE UNICODE _UNICODE)
# Link-time optimisation as one partition, with unused functions dropped: about 8 KB less
# code and unwind data than file by file.
target_compile_options(Tidewatch PRIVATE -flto -ffunction-sections)
# The globals that the Windows-side checks read in the running program: LTO makes the others
# local, and local ones are missing from the link map.
set(TIDEWATCH_PEEKED_GLOBALS AppliedProfile ApplyPending ApplyResult BrightnessRequest
  CoolerHistory CurrentDpi DashboardFocus GpuHistory LatestStatus LayoutDpi
  ManualFanDuty ManualPumpDuty RequestedProfile ScreenBrightness StartupMicros TrayBadgeIcon
  TrayBadgeSize TrayBadgeValue VersionBuild VersionMajor VersionMinor)
list(TRANSFORM TIDEWATCH_PEEKED_GLOBALS PREPEND -Wl,-u,)
target_link_options(Tidewatch PRIVATE
  -flto -flto-partition=one -Os -Wl,--gc-sections ${TIDEWATCH_PEEKED_GLOBALS}
  -nostdlib -nostartfiles -Wl,-e,TidewatchEntry -Wl,--subsystem,windows -s
  # Below 6.0 Windows draws the window with the legacy frame metrics.
  -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,0
  -Wl,--major-os-version,6 -Wl,--minor-os-version,0
  # No link time in the header: two builds of the same sources are the same bytes.
  -Wl,--no-insert-timestamp
  # Symbol addresses for the Windows-side checks that read the running program's globals.
  -Wl,-Map=${CMAKE_BINARY_DIR}/Tidewatch.map)
# -lgcc supplies ___chkstk_ms for frames over 4 KiB.
target_link_libraries(Tidewatch PRIVATE kernel32 user32 gdi32 shell32 advapi32 setupapi gcc)

add_subdirectory(tests)

# Test-only stand-ins (simulated cooler, its hid/setupapi DLLs, nvml.dll): never linked into
# the exe.
file(GLOB STANDIN_GROUPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/standins/*/standin.cmake)
foreach(group ${STANDIN_GROUPS})
  include(${group})
endforeach()

# <windows.h> is about 1.5 s of every source's compile here, most of the build: it is parsed
# once for the targets that define UNICODE (the exe's) and once for the others, and every
# target reuses one of the two. The compiled code is the same.
target_precompile_headers(Tidewatch PRIVATE ${CMAKE_SOURCE_DIR}/app/base.h)
target_precompile_headers(kraken_model PRIVATE ${CMAKE_SOURCE_DIR}/app/base.h)
get_property(TIDEWATCH_ROOT_TARGETS DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
get_property(TIDEWATCH_TEST_TARGETS DIRECTORY ${CMAKE_SOURCE_DIR}/tests PROPERTY BUILDSYSTEM_TARGETS)
foreach(target ${TIDEWATCH_ROOT_TARGETS} ${TIDEWATCH_TEST_TARGETS})
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "EXECUTABLE|LIBRARY$" OR target STREQUAL Tidewatch OR target STREQUAL kraken_model)
    continue()
  endif()
  get_target_property(definitions ${target} COMPILE_DEFINITIONS)
  if(UNICODE IN_LIST definitions)
    target_precompile_headers(${target} REUSE_FROM Tidewatch)
  else()
    target_precompile_headers(${target} REUSE_FROM kraken_model)
  endif()
endforeach()
