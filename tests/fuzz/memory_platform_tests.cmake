# The platform layer over memory, linked without the POSIX layer.
add_executable(memory_platform_tests fuzz/memory_platform_test.cpp)
target_link_libraries(memory_platform_tests corvane_platform_memory GTest::gtest_main)
gtest_discover_tests(memory_platform_tests DISCOVERY_TIMEOUT 60)
