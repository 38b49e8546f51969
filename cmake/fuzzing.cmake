# The fuzz build (preset "fuzz"): everything instrumented for libFuzzer
# with AddressSanitizer and UBSan; the targets in tests/fuzz link the
# fuzzer's own main. Only clang has libFuzzer.
option(CORVANE_FUZZ "Build the libFuzzer targets (clang only)" OFF)
set(CORVANE_FUZZ_TARGETS OFF)
if(CORVANE_FUZZ)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(CORVANE_FUZZ_TARGETS ON)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
  else()
    message(WARNING "CORVANE_FUZZ needs clang (the fuzz preset uses clang++); no fuzz targets.")
  endif()
endif()

# Building a code tree sorts 512 counts; comparison tracing there costs
# most of the time of a run and tells the fuzzer nothing the counters of
# the decoder do not.
if(CORVANE_FUZZ_TARGETS)
  set_source_files_properties(engine/code_tree.cpp PROPERTIES
    COMPILE_OPTIONS "-fno-sanitize-coverage=trace-cmp,inline-8bit-counters,pc-table,indirect-calls")
endif()
