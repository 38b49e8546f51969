# The manual page as plain text (no overstriking, no escapes), for readers
# without man: cmake -DGROFF=... -DPAGE=corvane.1 -DTEXT=corvane.txt -P ...
execute_process(COMMAND ${GROFF} -man -Tutf8 -P-cbou ${PAGE}
                OUTPUT_FILE ${TEXT} RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR errors)
  file(REMOVE ${TEXT})
  message(FATAL_ERROR "groff could not set ${PAGE}: ${result} ${errors}")
endif()
