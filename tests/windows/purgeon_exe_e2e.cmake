# End to end through the real purgeon.exe, driven from outside by a test
# program that finds its windows and controls, presses them and answers its
# message boxes.
add_executable(purgeon_exe_e2e_test ${CMAKE_CURRENT_SOURCE_DIR}/purgeon_exe_e2e_test.cpp)
target_link_libraries(purgeon_exe_e2e_test PRIVATE GTest::gtest GTest::gtest_main purgeon_ui_win32)
add_dependencies(purgeon_exe_e2e_test purgeon purgeon-cli)

# In the run's prefix with the demo programs installed. It uninstalls some of
# them, so it runs after the tests that list them all.
add_test(NAME purgeon_exe_e2e_test COMMAND purgeon_exe_e2e_test --gtest_filter=PurgeonExe.*)
set_tests_properties(purgeon_exe_e2e_test PROPERTIES FIXTURES_REQUIRED demo_programs
                     RESOURCE_LOCK "purgeon_instance;purgeon_cli_records"
                     DEPENDS main_window_test TIMEOUT 600)

# In a fresh prefix of its own with the samples of e2e/uninstall.sh (the
# run's prefix keeps its samples for purgeon-cli's cases): each uninstalled
# through the window, then the machine checked as after purgeon-cli's
# uninstalls. purgeon.exe keeps its records beside purgeon-cli.
set(window_samples_prefix ${CMAKE_BINARY_DIR}/wineprefix-window)
set(window_samples_work ${CMAKE_BINARY_DIR}/e2e/window)
own_prefix_fixture(window_samples ${window_samples_prefix} uninstall ${window_samples_work})
add_test(NAME purgeon_exe_samples COMMAND purgeon_exe_e2e_test --gtest_filter=PurgeonExeSamples.*)
set_tests_properties(purgeon_exe_samples PROPERTIES FIXTURES_REQUIRED window_samples
                     ENVIRONMENT "WINEPREFIX=${window_samples_prefix}"
                     RESOURCE_LOCK "purgeon_instance;purgeon_cli_records" TIMEOUT 600)
foreach(case nsis msi folder)
  add_test(NAME purgeon_exe_samples_machine_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/uninstall.sh check $<TARGET_FILE:purgeon-cli>
            ${window_samples_work} ${case}-machine)
  set_tests_properties(purgeon_exe_samples_machine_${case} PROPERTIES
    FIXTURES_REQUIRED window_samples DEPENDS purgeon_exe_samples SKIP_RETURN_CODE 77
    ENVIRONMENT "WINEPREFIX=${window_samples_prefix}" RESOURCE_LOCK purgeon_cli_records TIMEOUT 300)
endforeach()
