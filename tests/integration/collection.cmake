# The printer list and quarnctl against simulated printers; quarnctl's tests run the program.
foreach(test integration_quarnctl_contract integration_quarnctl_download integration_quarnctl_printers
             integration_quarnctl_detect)
  if(TARGET ${test})
    add_dependencies(${test} quarnctl QuarnUSB)
    target_compile_definitions(${test} PRIVATE QUARNCTL_PATH="$<TARGET_FILE:quarnctl>")
    target_link_libraries(${test} PRIVATE nlohmann_json::nlohmann_json)
  endif()
endforeach()
