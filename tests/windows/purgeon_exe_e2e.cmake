# End to end through the real purgeon.exe, driven from outside by a test
# program that finds its windows and controls, presses them and answers its
# message boxes, in the run's prefix with the demo programs installed. It
# uninstalls some of them, so it runs after the tests that list them all.
purgeon_windows_test(purgeon_exe_e2e_test ${CMAKE_CURRENT_SOURCE_DIR}/purgeon_exe_e2e_test.cpp)
target_link_libraries(purgeon_exe_e2e_test PRIVATE purgeon_ui_win32)
add_dependencies(purgeon_exe_e2e_test purgeon)
set_tests_properties(purgeon_exe_e2e_test PROPERTIES FIXTURES_REQUIRED demo_programs
                     RESOURCE_LOCK purgeon_instance DEPENDS main_window_test TIMEOUT 600)
