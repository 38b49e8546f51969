cmake_minimum_required(VERSION 3.25)
# Builds the stub once more from scratch in WORK, a folder of another name
# than the build's own, and fails unless it is byte for byte the STUB that
# the build made: the stub depends on its sources alone, not on when or
# where it was built.
file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -G Ninja
          -DCMAKE_TOOLCHAIN_FILE=${SOURCE}/cmake/mingw-i686.cmake
          -DCMAKE_BUILD_TYPE=MinSizeRel -DCORVANE_TESTS=OFF
  OUTPUT_QUIET RESULT_VARIABLE failed)
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target stub_image
                  OUTPUT_QUIET RESULT_VARIABLE failed)
endif()
if(failed)
  file(REMOVE_RECURSE ${WORK})
  message(FATAL_ERROR "the second build of the stub failed")
endif()
file(SIZE ${WORK}/corvane-stub.exe size)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${STUB} ${WORK}/corvane-stub.exe
                RESULT_VARIABLE differ)
file(REMOVE_RECURSE ${WORK})
if(NOT size EQUAL 26112)
  message(FATAL_ERROR "the second build of the stub is ${size} bytes, not 26112")
endif()
if(differ)
  message(FATAL_ERROR "two builds of the stub differ: ${STUB} and a fresh build")
endif()
message(STATUS "a fresh build of the stub gives the same 26112 bytes")
