# End-to-end runs of the built corvane binary on temporary folders.
find_package(nlohmann_json REQUIRED)
add_executable(cli_tests cli/cli_test.cpp cli/create_test.cpp cli/run_corvane.cpp
  cli/run_program.cpp
  cli/members_test.cpp
  cli/interruption_test.cpp
  cli/prompt_test.cpp
  cli/name_verdicts_test.cpp cli/name_check_test.cpp
  cli/run_on_terminal.cpp cli/list_test.cpp cli/diagnosis_test.cpp cli/terminal_test.cpp
  cli/icon_test.cpp icon/icon_fixtures.cpp)
target_link_libraries(cli_tests corvane_test_support corvane_cli_lib GTest::gtest_main
  nlohmann_json::nlohmann_json)
target_compile_definitions(cli_tests PRIVATE CORVANE_BINARY="$<TARGET_FILE:corvane>"
  CORVANE_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/cli/golden")
add_dependencies(cli_tests corvane)
gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60)

# corvane's own units (the terminal's text, the platform's error codes and
# its folders made in a run),
# linked with the tool's library.
add_executable(cli_unit_tests cli/progress_bar_test.cpp cli/platform_error_test.cpp
  cli/made_folder_test.cpp)
target_link_libraries(cli_unit_tests corvane_cli_lib corvane_test_support GTest::gtest_main)
target_include_directories(cli_unit_tests PRIVATE ${CMAKE_SOURCE_DIR})
gtest_discover_tests(cli_unit_tests DISCOVERY_TIMEOUT 60)

# corvane's face as a tool: --version, help texts against golden files,
# command-line errors, the manual page and the bash completion.
add_executable(cli_face_tests cli/help_test.cpp cli/man_page_test.cpp cli/completion_test.cpp
  cli/help_sections.cpp cli/run_program.cpp cli/run_corvane.cpp)
target_link_libraries(cli_face_tests corvane_test_support GTest::gtest_main)
target_compile_definitions(cli_face_tests PRIVATE
  CORVANE_BINARY="$<TARGET_FILE:corvane>"
  CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  CORVANE_MAN_PAGE="${CORVANE_MAN_PAGE}"
  CORVANE_TEST_VERSION="${PROJECT_VERSION}")
add_dependencies(cli_face_tests corvane corvane_man_page)
gtest_discover_tests(cli_face_tests DISCOVERY_TIMEOUT 60)

# `cmake --install` of this build and the .deb CPack makes of it; one at a
# time, as both install from the same build folder.
add_executable(cli_install_tests cli/install_test.cpp cli/run_program.cpp cli/run_corvane.cpp)
target_link_libraries(cli_install_tests corvane_test_support GTest::gtest_main)
target_compile_definitions(cli_install_tests PRIVATE
  CORVANE_BINARY="$<TARGET_FILE:corvane>"
  CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  CORVANE_BUILD_DIR="${CMAKE_BINARY_DIR}"
  CMAKE_COMMAND="${CMAKE_COMMAND}"
  CPACK_COMMAND="${CMAKE_CPACK_COMMAND}"
  CORVANE_TEST_VERSION="${PROJECT_VERSION}")
add_dependencies(cli_install_tests corvane corvane_man_page)
gtest_discover_tests(cli_install_tests DISCOVERY_TIMEOUT 60
                     PROPERTIES RESOURCE_LOCK corvane_install_tree)
