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

# The maker's icon in the stub: program images' resources, icon pictures
# and their conversion, hand-made and mangled ones included.
add_executable(icon_tests icon/icon_fixtures.cpp icon/pe_resources_test.cpp
  icon/icon_picture_test.cpp icon/stub_icon_test.cpp cli/run_program.cpp)
target_link_libraries(icon_tests corvane_writer corvane_test_support GTest::gtest_main)
if(STUB_FILE)
  target_compile_definitions(icon_tests PRIVATE STUB_FILE="${STUB_FILE}")
  add_dependencies(icon_tests windows_side)
endif()
gtest_discover_tests(icon_tests DISCOVERY_TIMEOUT 60)
