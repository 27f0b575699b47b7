# Undo sets on the real registry and files: the .reg files imported by the
# real registry editors of both views, a folder with a read-only file and a
# long path moved out and back, a file held open.
purgeon_windows_test(win32_undo_test ${CMAKE_CURRENT_LIST_DIR}/undo_test.cpp)
target_link_libraries(win32_undo_test PRIVATE purgeon_win32)
add_dependencies(win32_undo_test purgeon-cli Hostkit)
