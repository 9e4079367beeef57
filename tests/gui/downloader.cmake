# Qt Test programs over the downloader's real windows (offscreen), and its screenshots on
# a real X server. Included from this folder's CMakeLists.txt.
if(TARGET QuarnDownloaderCore)
  set(QUARN_HELP_FILE "${PROJECT_SOURCE_DIR}/downloader/resources/Firmware Downloader.html")
  add_library(QuarnDownloaderTestSupport STATIC downloader_fixture.cpp)
  target_link_libraries(QuarnDownloaderTestSupport PUBLIC QuarnDownloaderCore QuarnGuiTestSupport)

  foreach(name window progress settings outcomes)
    add_executable(gui_downloader_${name} downloader_${name}.cpp $<TARGET_OBJECTS:QuarnVersionRecord>)
    target_link_libraries(gui_downloader_${name} PRIVATE QuarnDownloaderTestSupport)
    target_compile_definitions(gui_downloader_${name} PRIVATE
        QUARN_DOWNLOADER_PATH="$<TARGET_FILE:QuarnDownloader>")
    add_dependencies(gui_downloader_${name} QuarnDownloader)
    # The help is looked for beside the running program.
    add_custom_command(TARGET gui_downloader_${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUARN_HELP_FILE} "$<TARGET_FILE_DIR:gui_downloader_${name}>/")
    add_test(NAME gui_downloader_${name} COMMAND gui_downloader_${name})
    set_tests_properties(gui_downloader_${name} PROPERTIES
        LABELS gui TIMEOUT 180 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()

  add_executable(gui_downloader_screenshots downloader_screenshots.cpp $<TARGET_OBJECTS:QuarnVersionRecord>)
  target_link_libraries(gui_downloader_screenshots PRIVATE QuarnDownloaderTestSupport)
  add_custom_command(TARGET gui_downloader_screenshots POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUARN_HELP_FILE} "$<TARGET_FILE_DIR:gui_downloader_screenshots>/")
  if(QUARN_XVFB_RUN)
    add_test(NAME gui_downloader_screenshots
        COMMAND ${QUARN_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
            $<TARGET_FILE:gui_downloader_screenshots> ${CMAKE_CURRENT_BINARY_DIR}/screenshots)
    set_tests_properties(gui_downloader_screenshots PROPERTIES
        LABELS "gui;smoke" TIMEOUT 180
        ENVIRONMENT "QT_QPA_PLATFORM=xcb;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp")
  endif()
endif()

# The window's benchmarks (bench/gui_downloader.sh, bench/gui_fleet.sh) drive the same fixture, so
# they are built here.
if(TARGET QuarnDownloaderTestSupport)
  add_executable(quarn-bench-gui ${PROJECT_SOURCE_DIR}/bench/gui_downloader_bench.cpp)
  target_link_libraries(quarn-bench-gui PRIVATE QuarnDownloaderTestSupport)
  # The auto-detect measure builds its network as the discovery tests do.
  target_include_directories(quarn-bench-gui PRIVATE ${PROJECT_SOURCE_DIR}/tests/integration)
  add_executable(quarn-bench-gui-fleet ${PROJECT_SOURCE_DIR}/bench/gui_fleet_bench.cpp)
  target_link_libraries(quarn-bench-gui-fleet PRIVATE QuarnDownloaderTestSupport)
endif()
