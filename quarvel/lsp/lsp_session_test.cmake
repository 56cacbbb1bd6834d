# Runs COMMAND --lsp on the session in SESSION (initialize, a script opened,
# shutdown, exit) and requires the answer to initialize, the script's
# diagnostics and a clean exit.
execute_process(COMMAND ${COMMAND} --lsp INPUT_FILE ${SESSION} OUTPUT_VARIABLE output
                RESULT_VARIABLE status TIMEOUT 120)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the server exited with ${status}:\n${output}")
endif()
foreach(expected "\"serverInfo\":{\"name\":\"quarvel\""
                 "\"method\":\"textDocument/publishDiagnostics\""
                 "\"code\":\"prologue\",\"message\":\"the script has no orientation prologue"
                 "\"id\":2,\"jsonrpc\":\"2.0\",\"result\":null")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no ${expected} in the answer:\n${output}")
  endif()
endforeach()
