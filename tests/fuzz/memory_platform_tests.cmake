# The platform layer over memory, linked without the POSIX layer.
add_executable(memory_platform_tests fuzz/memory_platform_test.cpp)
target_link_libraries(memory_platform_tests corvane_platform_memory GTest::gtest_main)
gtest_discover_tests(memory_platform_tests DISCOVERY_TIMEOUT 60)

# Whole extractions over it, with archives from the writer.
add_executable(memory_run_tests fuzz/memory_run_test.cpp fuzz/memory_read_path.cpp
               fuzz/fuzz_host.cpp)
target_link_libraries(memory_run_tests corvane_platform_memory corvane_writer corvane_core
                      GTest::gtest_main)
gtest_discover_tests(memory_run_tests DISCOVERY_TIMEOUT 60)
