# The Windows build: the core as it goes into the stub, optimised for size,
# a report of how large its objects are, and the stub itself.
enable_language(RC)
set(STUB_SIZE 26112)
# No frame pointer: the stub is never debugged by its frames, and the
# register and the pushes come to about 550 bytes of its code.
set(SIZE_FLAGS -Os -ffunction-sections -fno-asynchronous-unwind-tables
               -fno-unwind-tables -fno-stack-protector -fomit-frame-pointer)
# CORVANE_COMPACT picks the core's shortest forms wherever it has two.
foreach(lib corvane_core corvane_platform)
  target_compile_options(${lib} PRIVATE ${SIZE_FLAGS})
  target_compile_definitions(${lib} PUBLIC CORVANE_COMPACT)
endforeach()
# The tree build is a third of the stub's decoding time. Built with -O1
# it takes about 15% off a large file's decoding for 600 bytes more code;
# copying loop headers (-ftree-ch) would cost 260 bytes more and gain
# nothing measurable.
set_source_files_properties(${CMAKE_SOURCE_DIR}/engine/code_tree.cpp TARGET_DIRECTORY corvane_core
                            PROPERTIES COMPILE_OPTIONS "-O1;-fno-tree-ch")

add_custom_target(core_size ALL
  COMMAND i686-w64-mingw32-size --totals $<TARGET_FILE:corvane_core>
          $<TARGET_FILE:corvane_platform>
  DEPENDS corvane_core corvane_platform
  COMMENT "Sizes of the core objects for 32-bit Windows")

# The icon, drawn as text in res/ and turned into an .ico here.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ICON ${CMAKE_BINARY_DIR}/res/main_icon.ico)
add_custom_command(OUTPUT ${ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/make_icon.py
          ${CMAKE_SOURCE_DIR}/res/main_icon.txt ${ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/main_icon.txt ${CMAKE_SOURCE_DIR}/res/make_icon.py)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/stub.rc PROPERTIES OBJECT_DEPENDS ${ICON})

# The stub: no C runtime, its own entry point, every text in Shift-JIS.
add_executable(stub_image WIN32
  app/stub_main.cpp
  app/expand_command.cpp
  app/expand_inputs.cpp
  app/fatal_end.cpp
  app/engine_host_stub.cpp
  app/mini_crt.cpp
  ui/stub_windows.cpp
  ui/main_window.cpp
  ui/progress_window.cpp
  ui/folder_chooser.cpp
  ui/message_box.cpp
  ui/controls.cpp
  res/stub.rc)
set_target_properties(stub_image PROPERTIES OUTPUT_NAME linked_image)
target_include_directories(stub_image PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/res)
target_compile_options(stub_image PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${SIZE_FLAGS} -fno-exceptions
                       -fno-rtti -fexec-charset=CP932>)
set_source_files_properties(app/mini_crt.cpp PROPERTIES COMPILE_OPTIONS
                            "-fno-builtin;-fno-tree-loop-distribute-patterns")
target_link_options(stub_image PRIVATE -nostdlib -Wl,-e,_StubEntry -Wl,--gc-sections -s
                    -Wl,--no-insert-timestamp -Wl,--build-id=none)
target_link_libraries(stub_image PRIVATE corvane_core corvane_platform kernel32 user32 gdi32
                      shell32 gcc)

# Exactly 26112 bytes: the linked image padded with zero bytes, or a clear
# failure when it has grown too large.
set(STUB ${CMAKE_BINARY_DIR}/corvane-stub.exe)
add_custom_command(TARGET stub_image POST_BUILD
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/pad_stub.py
          $<TARGET_FILE:stub_image> ${STUB} ${STUB_SIZE}
  BYPRODUCTS ${STUB}
  VERBATIM)

# The test driver of the Wine end-to-end suite: a console program with the
# ordinary C runtime that starts an archive and works its windows. Its name
# keeps it apart from the stub's files.
add_executable(stub_driver
  tests/wine/driver.cpp
  tests/wine/driver_report.cpp
  tests/wine/driver_handles.cpp
  tests/wine/driver_windows.cpp)
set_target_properties(stub_driver PROPERTIES OUTPUT_NAME e2e_driver)
target_include_directories(stub_driver PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(stub_driver PRIVATE -static)
target_link_libraries(stub_driver PRIVATE user32 gdi32 shell32 ntdll)
