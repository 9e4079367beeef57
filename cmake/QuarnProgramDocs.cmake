# quarn_program_docs(TARGET [COMPLETION]): the program's manual page, and with COMPLETION its
# bash completion, written at build time by the program itself (its hidden --man-page and
# --bash-completion options), so that every option it has is in them; both are installed.
set(QUARN_CAPTURE_OUTPUT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CaptureOutput.cmake)

function(quarn_program_docs target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMPLETION" "" "")
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DOPTION=--man-page -DOUTPUT=${page}
              -P ${QUARN_CAPTURE_OUTPUT_SCRIPT}
      DEPENDS ${target} ${QUARN_CAPTURE_OUTPUT_SCRIPT}
      COMMENT "Writing the manual page of ${target}"
      VERBATIM)
  set(outputs ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(arg_COMPLETION)
    set(completion ${CMAKE_CURRENT_BINARY_DIR}/${target}.bash-completion)
    add_custom_command(OUTPUT ${completion}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DOPTION=--bash-completion -DOUTPUT=${completion}
                -P ${QUARN_CAPTURE_OUTPUT_SCRIPT}
        DEPENDS ${target} ${QUARN_CAPTURE_OUTPUT_SCRIPT}
        COMMENT "Writing the bash completion of ${target}"
        VERBATIM)
    list(APPEND outputs ${completion})
    install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${target})
  endif()
  add_custom_target(${target}-docs ALL DEPENDS ${outputs})
  # Where the tests find what was written.
  set_target_properties(${target}-docs PROPERTIES QUARN_MAN_PAGE ${page} QUARN_COMPLETION "${completion}")
endfunction()
