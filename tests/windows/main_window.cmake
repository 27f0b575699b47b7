# The real main window in the test's own process, in the run's prefix with
# the demo's real NSIS and Windows Installer programs installed by the
# fixture test (scripts/seed-demo.sh). Screenshots go to $PURGEON_SHOT_DIR.
add_test(NAME main_window_seed
  COMMAND bash -c "SEED_DEMO_SERVER_STAYS=1 \"${PROJECT_SOURCE_DIR}/scripts/seed-demo.sh\" \"$WINEPREFIX\"")
set_tests_properties(main_window_seed PROPERTIES FIXTURES_SETUP demo_programs TIMEOUT 600)
# With the program's own resources: its pictures, icon, manifest and version.
purgeon_windows_test(main_window_test ${CMAKE_CURRENT_SOURCE_DIR}/main_window_test.cpp
                     ${PROJECT_SOURCE_DIR}/res/purgeon.rc)
target_link_libraries(main_window_test PRIVATE purgeon_ui_win32)
target_include_directories(main_window_test PRIVATE ${PROJECT_BINARY_DIR}/src/ui/win32
                           ${PROJECT_SOURCE_DIR}/res)
add_dependencies(main_window_test purgeon)  # the generated version header
set_tests_properties(main_window_test PROPERTIES FIXTURES_REQUIRED demo_programs)
