# The dispatcher, clock and dialog ports on real windows (needs a display).
purgeon_windows_test(win32_dispatch_test ${CMAKE_CURRENT_LIST_DIR}/dispatch_test.cpp)
target_link_libraries(win32_dispatch_test PRIVATE purgeon_win32)
