# Runs a checker program over the scripts of testdata/ and compares what it
# prints with testdata/expected.txt, so that the Windows checker and the
# native one are held to the same output. Carriage returns, which a Windows
# console program writes before each line feed, are dropped first.
#
#   cmake -DCOMMAND="PROGRAM;ARGUMENT..." -DTESTDATA=DIR -P checker_output_test.cmake
execute_process(
  COMMAND ${COMMAND} clean.txt faulty.txt
  WORKING_DIRECTORY ${TESTDATA}
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
string(REPLACE "\r" "" output "${output}")
string(REPLACE "\r" "" errors "${errors}")
file(READ ${TESTDATA}/expected.txt expected)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "exit status ${status}, expected 1; standard error:\n${errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the findings differ from ${TESTDATA}/expected.txt:\n${output}")
endif()
if(NOT errors MATCHES ": 10 warnings in faulty.txt\n$")
  message(FATAL_ERROR "unexpected standard error:\n${errors}")
endif()
