# The uninstall workflow's windows (custom uninstall wizard, analysing
# window, uninstall-process window) for real in the test's own process, with
# real message boxes that the test answers. Screenshots go to
# $PURGEON_SHOT_DIR.
purgeon_windows_test(workflow_windows_test ${CMAKE_CURRENT_SOURCE_DIR}/workflow_windows_test.cpp
                     ${PROJECT_SOURCE_DIR}/res/purgeon.rc)
target_link_libraries(workflow_windows_test PRIVATE purgeon_ui_win32 purgeon_memory)
target_include_directories(workflow_windows_test PRIVATE ${PROJECT_BINARY_DIR}/src/ui/win32
                           ${PROJECT_SOURCE_DIR}/res)
add_dependencies(workflow_windows_test purgeon)  # the generated version header
