# Round trips of the archive writer through the core's extraction engine.
add_executable(writer_tests
  roundtrip/roundtrip_support.cpp
  roundtrip/data_roundtrip_test.cpp
  roundtrip/reference_roundtrip_test.cpp
  roundtrip/protection_roundtrip_test.cpp
  roundtrip/items_roundtrip_test.cpp
  roundtrip/collector_roundtrip_test.cpp
  roundtrip/token_coder_roundtrip_test.cpp
  roundtrip/threads_roundtrip_test.cpp
  roundtrip/patchwork.cpp
  roundtrip/segment_coding_test.cpp
  roundtrip/large_file_roundtrip_test.cpp
  roundtrip/write_stops_test.cpp
  roundtrip/memory_bound_test.cpp
  roundtrip/shell_pattern_test.cpp)
target_link_libraries(writer_tests corvane_writer corvane_test_support GTest::gtest_main)
gtest_discover_tests(writer_tests DISCOVERY_TIMEOUT 60)
