# purgeon.exe started for real: single instance, main window, imports, resources.
purgeon_windows_test(startup_test ${CMAKE_CURRENT_SOURCE_DIR}/startup_test.cpp)
target_link_libraries(startup_test PRIVATE purgeon_ui_win32)
target_compile_definitions(startup_test PRIVATE PURGEON_VERSION_TEXT="${PURGEON_VERSION_TEXT}")
add_dependencies(startup_test purgeon)

# A screenshot of the running main window for a person to look at (needs Wine,
# an X display and ImageMagick; skipped without them).
add_test(NAME startup_screenshot
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/startup_screenshot.sh $<TARGET_FILE:purgeon>)
set_tests_properties(startup_screenshot PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
# Both start purgeon.exe, and a second instance would end at once.
set_tests_properties(startup_test startup_screenshot PROPERTIES RESOURCE_LOCK purgeon_instance)
