# The host build: the core on POSIX, the archive writer, the corvane tool
# and the tests.
add_subdirectory(writer)
add_subdirectory(cli)
if(CORVANE_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
