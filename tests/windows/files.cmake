# The file-system and shell-folder adapters and the shared folder and file
# procedures on real files (temp folder of the Wine prefix).
purgeon_windows_test(win32_files_test ${CMAKE_CURRENT_LIST_DIR}/file_helpers_test.cpp)
target_link_libraries(win32_files_test PRIVATE purgeon_win32)
