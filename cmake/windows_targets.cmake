# The Windows build: the core as it will go into the stub, optimised for
# size, and a report of how large its objects are.
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Os")
foreach(lib corvane_core corvane_platform)
  target_compile_options(${lib} PRIVATE -Os -ffunction-sections -fdata-sections)
endforeach()

add_custom_target(core_size ALL
  COMMAND i686-w64-mingw32-size --totals $<TARGET_FILE:corvane_core>
          $<TARGET_FILE:corvane_platform>
  DEPENDS corvane_core corvane_platform
  COMMENT "Sizes of the core objects for 32-bit Windows")
