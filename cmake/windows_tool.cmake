# corvane.exe: the command-line tool for 32-bit Windows. Built for speed,
# unlike the stub: the core without -Os (so its host fast paths are in),
# SSE2 for the arithmetic, and everything linked in statically, so that it
# needs no DLL besides the system's.
add_compile_options(-msse2 -mfpmath=sse)
add_link_options(-static -static-libgcc -static-libstdc++ -s)
# Windows XP's API level is too low for the calls used (long paths,
# GetFinalPathNameByHandleW): Vista and later.
add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600 UNICODE _UNICODE
                        _POSIX_THREAD_SAFE_FUNCTIONS)  # localtime_r, gmtime_r

# The core's platform layer and the host's, on the wide calls.
add_library(corvane_platform STATIC
  platform/platform_win32_wide.cpp
  platform/archive_path_map.cpp
  platform/text_encoding_win32.cpp
  platform/text_encoding_strings.cpp
  platform/wide_paths_win32.cpp)
target_include_directories(corvane_platform PUBLIC ${CMAKE_SOURCE_DIR})
add_library(corvane_host_platform STATIC
  platform/interrupt_win32.cpp
  platform/host_files_win32.cpp
  platform/host_kind_text.cpp
  platform/console_win32.cpp
  platform/char_columns_win32.cpp)
target_link_libraries(corvane_host_platform PUBLIC corvane_platform shell32)

# CLI11 and nlohmann-json are header-only: the host build hands over a
# folder that holds only their two include folders.
if(NOT CORVANE_HEADER_ONLY_DIR)
  message(FATAL_ERROR "CORVANE_HEADER_ONLY_DIR: the folder with CLI/ and nlohmann/")
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 INTERFACE ${CORVANE_HEADER_ONLY_DIR})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${CORVANE_HEADER_ONLY_DIR})

add_subdirectory(writer)
add_subdirectory(cli)
