# The folder handed to Windows users, ready to be zipped: corvane.exe, the
# stub, the manual page as text and the README.
find_program(GROFF groff)
if(NOT GROFF)
  message(FATAL_ERROR "groff is missing (the manual page as text): run scripts/install-deps.sh")
endif()
set(RELEASE_DIR ${CMAKE_BINARY_DIR}/release/corvane-${PROJECT_VERSION}-win32)
set(RELEASE_FILES ${RELEASE_DIR}/corvane.exe ${RELEASE_DIR}/corvane-stub.exe
                  ${RELEASE_DIR}/corvane.txt ${RELEASE_DIR}/README.md)
add_custom_command(OUTPUT ${RELEASE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RELEASE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CORVANE_EXE} ${STUB_FILE} ${CMAKE_SOURCE_DIR}/README.md
          ${RELEASE_DIR}
  COMMAND ${CMAKE_COMMAND} -DGROFF=${GROFF} -DPAGE=${CORVANE_MAN_PAGE}
          -DTEXT=${RELEASE_DIR}/corvane.txt -P ${CMAKE_SOURCE_DIR}/cmake/man_to_text.cmake
  DEPENDS windows_tool windows_side ${CORVANE_EXE} ${STUB_FILE} ${CORVANE_MAN_PAGE}
          ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/cmake/man_to_text.cmake
  COMMENT "The Windows release folder: ${RELEASE_DIR}"
  VERBATIM)
add_custom_target(windows_release ALL DEPENDS ${RELEASE_FILES})
