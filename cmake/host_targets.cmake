# The host build: the core on POSIX, the archive writer, the corvane tool
# and the tests. With a mingw-w64 cross compiler at hand it also builds the
# Windows side (the stub and the test driver) as a sub-build, and corvane
# embeds that stub as its default.
option(CORVANE_WINDOWS_SIDE "Build the Windows side when a cross compiler is found" ON)
find_program(MINGW_CXX i686-w64-mingw32-g++)
if(MINGW_CXX AND CORVANE_WINDOWS_SIDE)
  include(ExternalProject)
  set(WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  set(STUB_FILE ${WINDOWS_DIR}/corvane-stub.exe)
  ExternalProject_Add(windows_side
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WINDOWS_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel -DCORVANE_TESTS=OFF
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${STUB_FILE})

  # corvane.exe, a build of its own: another thread model of the cross
  # compiler, and the core optimised for speed. It embeds the stub above.
  # CLI11 and nlohmann-json reach it as a folder that holds their include
  # folders alone.
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json REQUIRED)
  set(HEADER_ONLY_DIR ${CMAKE_BINARY_DIR}/windows-tool-headers)
  file(MAKE_DIRECTORY ${HEADER_ONLY_DIR})
  foreach(header CLI/CLI.hpp nlohmann/json.hpp)
    find_path(found_${header} ${header} NO_CACHE REQUIRED)
    get_filename_component(folder ${header} DIRECTORY)
    if(NOT EXISTS ${HEADER_ONLY_DIR}/${folder})
      file(CREATE_LINK ${found_${header}}/${folder} ${HEADER_ONLY_DIR}/${folder} SYMBOLIC)
    endif()
  endforeach()
  set(WINDOWS_TOOL_DIR ${CMAKE_BINARY_DIR}/windows-tool)
  set(CORVANE_EXE ${WINDOWS_TOOL_DIR}/cli/corvane.exe)
  ExternalProject_Add(windows_tool
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WINDOWS_TOOL_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-posix.cmake
               -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_WINDOWS_TOOL=ON
               -DSTUB_FILE=${STUB_FILE} -DCORVANE_HEADER_ONLY_DIR=${HEADER_ONLY_DIR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS windows_side
    BUILD_BYPRODUCTS ${CORVANE_EXE})
else()
  message(WARNING "No i686-w64-mingw32-g++: corvane create falls back to the placeholder stub.")
endif()

add_subdirectory(writer)
add_subdirectory(cli)
add_subdirectory(doc)
if(CORVANE_EXE)
  include(cmake/windows_release.cmake)
endif()
include(cmake/packaging.cmake)
add_subdirectory(bench/micro)

# The platform layer over memory, for the fuzz targets: links in place of
# corvane_platform.
add_library(corvane_platform_memory STATIC tests/fuzz/memory_platform.cpp)
target_include_directories(corvane_platform_memory PUBLIC ${CMAKE_SOURCE_DIR})
if(CORVANE_FUZZ_TARGETS)
  add_subdirectory(tests/fuzz)
endif()
if(CORVANE_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
