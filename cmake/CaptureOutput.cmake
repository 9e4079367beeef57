# cmake -DPROGRAM=... -DOPTION=... -DOUTPUT=... -P CaptureOutput.cmake
# Writes what PROGRAM OPTION prints to OUTPUT, replacing it only once the program succeeded.
# A sanitizer build's leak report at exit would otherwise end the build.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
execute_process(COMMAND ${PROGRAM} ${OPTION}
    OUTPUT_FILE ${OUTPUT}.part
    ERROR_VARIABLE errors
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "${PROGRAM} ${OPTION} failed (${status}): ${errors}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
