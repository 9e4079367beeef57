# quarn_program_docs(TARGET [COMPLETION]): the program's manual page, and with COMPLETION its
# bash completion, written at build time by the program itself (its hidden --man-page and
# --bash-completion options), so that every option it has is in them; both are installed.
set(QUARN_CAPTURE_OUTPUT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CaptureOutput.cmake)

# Writes what the program target prints for option to output.
function(quarn_capture_program_output target option output)
  add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DOPTION=${option} -DOUTPUT=${output}
              -P ${QUARN_CAPTURE_OUTPUT_SCRIPT}
      DEPENDS ${target} ${QUARN_CAPTURE_OUTPUT_SCRIPT}
      COMMENT "${target} ${option}"
      VERBATIM)
endfunction()

function(quarn_program_docs target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMPLETION" "" "")
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  quarn_capture_program_output(${target} --man-page ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(outputs ${page})
  set(completion "")
  if(arg_COMPLETION)
    set(completion ${CMAKE_CURRENT_BINARY_DIR}/${target}.bash-completion)
    quarn_capture_program_output(${target} --bash-completion ${completion})
    install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${target})
    list(APPEND outputs ${completion})
  endif()
  add_custom_target(${target}-docs ALL DEPENDS ${outputs})
  # Where the tests find what was written.
  set_target_properties(${target}-docs PROPERTIES QUARN_MAN_PAGE ${page} QUARN_COMPLETION "${completion}")
endfunction()
