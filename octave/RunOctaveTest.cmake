# cmake -DOCTAVE_CLI=... -DCODE=... -P RunOctaveTest.cmake
#
# Runs Octave code in a fresh octave-cli and judges the run. It passes when the code printed
# its success line, "drova-octave: all N cases passed", and Octave ended normally: with
# status 0, or with status 1 when standard error carries octave-cli's known complaint at exit
# ("error: ignoring const execution_exception& while preparing to exit"), which it may give
# after extension calls and the symbolic package, once all the work is done. A crash, or any
# failed case, fails the test; so does a run that takes longer than 240 seconds (octave-cli
# busy in an extension does not end on SIGTERM, so it is killed).
execute_process(
  COMMAND ${OCTAVE_CLI} --norc --no-history --quiet --no-window-system --eval "${CODE}"
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status
  TIMEOUT 240)
message("${out}")
if(NOT err STREQUAL "")
  message("${err}")
endif()

string(REGEX MATCH "drova-octave: all [0-9]+ cases passed" passed "${out}")
set(exit_complaint "error: ignoring const execution_exception& while preparing to exit")
string(FIND "${err}" "${exit_complaint}" complaint_at)
if(NOT passed)
  message(FATAL_ERROR "The Octave code did not report success (exit status ${status})")
elseif(NOT status STREQUAL "0" AND NOT (status STREQUAL "1" AND complaint_at GREATER_EQUAL 0))
  message(FATAL_ERROR "octave-cli did not end normally: ${status}")
endif()
