# The programs' own answers: --version, the downloader's command line before any display,
# and the manual pages and completion the build wrote from them.
if(TARGET integration_program_info)
  add_dependencies(integration_program_info quarnctl-docs quarn-printer-sim-docs)
  target_compile_definitions(integration_program_info PRIVATE
      QUARNCTL_PATH="$<TARGET_FILE:quarnctl>"
      QUARN_SIM_PATH="$<TARGET_FILE:quarn-printer-sim>"
      QUARNCTL_MAN_PAGE="$<TARGET_PROPERTY:quarnctl-docs,QUARN_MAN_PAGE>"
      QUARNCTL_COMPLETION="$<TARGET_PROPERTY:quarnctl-docs,QUARN_COMPLETION>"
      QUARN_SIM_MAN_PAGE="$<TARGET_PROPERTY:quarn-printer-sim-docs,QUARN_MAN_PAGE>")
  target_link_libraries(integration_program_info PRIVATE QuarnVersion)
  if(TARGET QuarnDownloader-docs)
    add_dependencies(integration_program_info QuarnDownloader-docs)
    target_compile_definitions(integration_program_info PRIVATE
        QUARN_DOWNLOADER_PATH="$<TARGET_FILE:QuarnDownloader>"
        QUARN_DOWNLOADER_MAN_PAGE="$<TARGET_PROPERTY:QuarnDownloader-docs,QUARN_MAN_PAGE>")
  endif()
endif()
