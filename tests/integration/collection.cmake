# The printer list and quarnctl against simulated printers; quarnctl's tests run the program.
foreach(test integration_quarnctl_contract integration_quarnctl_download integration_quarnctl_printers
             integration_quarnctl_detect integration_quarnctl_fleet_list
             integration_quarnctl_guidance integration_normal_user)
  if(TARGET ${test})
    add_dependencies(${test} quarnctl QuarnUSB)
    target_compile_definitions(${test} PRIVATE QUARNCTL_PATH="$<TARGET_FILE:quarnctl>")
    target_link_libraries(${test} PRIVATE nlohmann_json::nlohmann_json)
  endif()
endforeach()

# The normal user's test runs a copy of quarnctl with its libraries, outside the build tree.
if(TARGET integration_normal_user)
  target_compile_definitions(integration_normal_user PRIVATE
      QUARN_PRINTER_LIBRARY_PATH="$<TARGET_FILE:QuarnPrintersExt>"
      QUARN_PRINTER_LIBRARY_SONAME="$<TARGET_SONAME_FILE_NAME:QuarnPrintersExt>")
endif()
