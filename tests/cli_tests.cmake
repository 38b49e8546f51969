# End-to-end runs of the built corvane binary on temporary folders.
find_package(nlohmann_json REQUIRED)
add_executable(cli_tests cli/cli_test.cpp cli/create_test.cpp cli/run_corvane.cpp
  cli/run_on_terminal.cpp cli/list_test.cpp cli/diagnosis_test.cpp cli/terminal_test.cpp)
target_link_libraries(cli_tests corvane_test_support corvane_cli_lib GTest::gtest_main
  nlohmann_json::nlohmann_json)
target_compile_definitions(cli_tests PRIVATE CORVANE_BINARY="$<TARGET_FILE:corvane>"
  CORVANE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/cli/golden")
add_dependencies(cli_tests corvane)
gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60)

# corvane's own units (the terminal's text, the platform's error codes),
# linked with the tool's library.
add_executable(cli_unit_tests cli/progress_bar_test.cpp cli/platform_error_test.cpp)
target_link_libraries(cli_unit_tests corvane_cli_lib corvane_test_support GTest::gtest_main)
target_include_directories(cli_unit_tests PRIVATE ${CMAKE_SOURCE_DIR})
gtest_discover_tests(cli_unit_tests DISCOVERY_TIMEOUT 60)
