# End-to-end runs of the built corvane binary on temporary folders.
find_package(nlohmann_json REQUIRED)
add_executable(cli_tests cli/cli_test.cpp cli/create_test.cpp cli/name_verdicts_test.cpp
  cli/name_check_test.cpp cli/run_corvane.cpp)
target_link_libraries(cli_tests corvane_cli_lib corvane_test_support GTest::gtest_main
                      nlohmann_json::nlohmann_json)
target_compile_definitions(cli_tests PRIVATE CORVANE_BINARY="$<TARGET_FILE:corvane>")
add_dependencies(cli_tests corvane)
gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60)
