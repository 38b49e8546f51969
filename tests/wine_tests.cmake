# The stub end to end under Wine: archives made by corvane, started and
# worked by a Win32 driver (tests/wine/driver.cpp, built by the Windows
# side) on a private X display. Only with the Windows side built.
if(NOT STUB_FILE)
  return()
endif()

set(WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session)
set(SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots)

add_executable(wine_tests
  wine/transcript.cpp
  wine/wine_session.cpp
  wine/stub_test.cpp
  wine/startup_test.cpp
  wine/password_test.cpp
  wine/destination_test.cpp
  wine/overwrite_test.cpp
  wine/damage_test.cpp
  wine/progress_cancel_test.cpp
  wine/run_command_test.cpp
  wine/names_and_times_test.cpp
  wine/folder_chooser_test.cpp
  wine/layout_test.cpp
  wine/hostile_test.cpp
  wine/leftovers_test.cpp
  wine/custom_icon_test.cpp
  icon/icon_fixtures.cpp
  cli/run_corvane.cpp
  cli/run_program.cpp
  roundtrip/roundtrip_support.cpp
  ${CMAKE_SOURCE_DIR}/cli/display_text.cpp)
target_link_libraries(wine_tests corvane_test_support corvane_writer GTest::gtest_main)
target_compile_definitions(wine_tests PRIVATE
  CORVANE_BINARY="$<TARGET_FILE:corvane>"
  STUB_FILE="${STUB_FILE}"
  E2E_DRIVER="${WINDOWS_DIR}/e2e_driver.exe"
  SCREENSHOT_DIR="${SCREENSHOT_DIR}"
  WINE_CORVANE="${CMAKE_BINARY_DIR}/wine-corvane.sh")
add_dependencies(wine_tests corvane windows_side windows_tool)

# One session for the whole run: the prefix is made once and kept in the
# build tree; the X server and the wine server live from setup to cleanup.
add_test(NAME wine_session_start
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${WINE_SESSION_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 LABELS wine)
add_test(NAME wine_session_stop
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${WINE_SESSION_DIR})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine LABELS wine)

# One at a time: the tests share the screen, and the icons of the message
# boxes are read from it.
gtest_discover_tests(wine_tests DISCOVERY_TIMEOUT 60
  PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_screen TIMEOUT 180 LABELS wine
             SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
             ENVIRONMENT CORVANE_WINE_SESSION=${WINE_SESSION_DIR})

# The command-line tests once more, against corvane.exe under Wine: the
# same sources, with a wrapper script in the place of the binary, less the
# cases that only POSIX has (wine/cli_wine_main.cpp says which and why).
# One at a time with the stub's tests: run beside them in the same Wine
# session, both have failed now and then (an archive just made not found,
# a driver run cut short), a cause not yet found.
if(CORVANE_EXE)
  set(WINE_CORVANE ${CMAKE_BINARY_DIR}/wine-corvane.sh)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/wine/wine-corvane.sh.in ${WINE_CORVANE}
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  add_executable(cli_wine_tests cli/cli_test.cpp cli/create_test.cpp cli/members_test.cpp
    cli/list_test.cpp cli/diagnosis_test.cpp cli/run_corvane.cpp cli/run_program.cpp
    cli/run_on_terminal.cpp wine/corvane_exe_test.cpp wine/cli_wine_main.cpp)
  target_link_libraries(cli_wine_tests corvane_test_support corvane_cli_lib GTest::gtest
    nlohmann_json::nlohmann_json)
  target_compile_definitions(cli_wine_tests PRIVATE CORVANE_BINARY="${WINE_CORVANE}"
    LINUX_CORVANE="$<TARGET_FILE:corvane>" CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    CORVANE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/cli/golden")
  add_dependencies(cli_wine_tests windows_tool)
  gtest_discover_tests(cli_wine_tests DISCOVERY_TIMEOUT 60 TEST_PREFIX "wine."
    PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine_screen TIMEOUT 300 LABELS wine
               SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
               ENVIRONMENT CORVANE_WINE_SESSION=${WINE_SESSION_DIR})
endif()
