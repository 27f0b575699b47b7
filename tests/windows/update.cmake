# The update check, Purgeon's setup and its portable zip under Wine.
#
# update_window_test: the real main and update windows in the test's own
# process, the real worker and URLDownloadToFileW against a small HTTP server
# on 127.0.0.1 that the test starts. With purgeon.exe's resources (pictures,
# version). No proxy may stand between it and 127.0.0.1.
purgeon_windows_test(update_window_test ${CMAKE_CURRENT_SOURCE_DIR}/update_window_test.cpp
                     ${PROJECT_SOURCE_DIR}/res/purgeon.rc)
target_link_libraries(update_window_test PRIVATE purgeon_ui_win32 purgeon_memory ws2_32)
target_include_directories(update_window_test PRIVATE ${PROJECT_BINARY_DIR}/src/ui/win32
                           ${PROJECT_SOURCE_DIR}/res)
set_tests_properties(update_window_test PROPERTIES ENVIRONMENT_MODIFICATION
  "http_proxy=unset:;https_proxy=unset:;HTTP_PROXY=unset:;HTTPS_PROXY=unset:;no_proxy=set:127.0.0.1")

# update_setup_test: Purgeon_Setup.exe installed silently in the run's
# prefix, the installed programs run, the silent uninstall checked; the
# version resources of the three programs.
if(TARGET package_setup)
  purgeon_windows_test(update_setup_test ${CMAKE_CURRENT_SOURCE_DIR}/update_setup_test.cpp)
  target_link_libraries(update_setup_test PRIVATE purgeon_win32 version ole32 uuid shell32)
  target_compile_definitions(update_setup_test PRIVATE PURGEON_VERSION_TEXT="${PURGEON_VERSION_TEXT}")
  add_dependencies(update_setup_test package_setup)
  # It starts purgeon.exe, and a second instance would end at once.
  set_tests_properties(update_setup_test PROPERTIES RESOURCE_LOCK purgeon_instance TIMEOUT 600)
endif()

# update_portable: the zip unpacked, its purgeon-cli run from there.
add_test(NAME update_portable
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/update_portable.sh ${CMAKE_COMMAND}
          ${PURGEON_PACKAGE_DIR}/Purgeon_Portable.zip ${CMAKE_BINARY_DIR}/bin
          ${CMAKE_BINARY_DIR}/update-portable)
set_tests_properties(update_portable PROPERTIES TIMEOUT 120)
