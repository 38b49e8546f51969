# The stub as a build artefact: a fresh build elsewhere gives the same bytes.
if(NOT STUB_FILE)
  return()
endif()
add_test(NAME StubBuildIsReproducible
         COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DSTUB=${STUB_FILE}
                 -DWORK=${CMAKE_BINARY_DIR}/stub-rebuild
                 -P ${CMAKE_SOURCE_DIR}/cmake/check_stub_reproducible.cmake)
set_tests_properties(StubBuildIsReproducible PROPERTIES TIMEOUT 120)
