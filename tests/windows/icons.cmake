# LoadIconFileChecked and MakeIcon32 on real files and real GDI.
purgeon_windows_test(icons_test ${CMAKE_CURRENT_LIST_DIR}/icons_test.cpp)
target_link_libraries(icons_test PRIVATE purgeon_icons_win32)
