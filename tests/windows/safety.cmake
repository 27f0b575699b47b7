# The safety decisions on the real adapters: folder identities through
# spellings and links, the machine's protected folders, image paths of 32-
# and 64-bit processes and the termination that goes by them. The sleeper is
# the program the tests (and e2e/safety.sh) run copies of.
add_executable(safety_sleeper ${CMAKE_CURRENT_LIST_DIR}/safety_sleeper.cpp)
purgeon_windows_test(win32_safety_test ${CMAKE_CURRENT_LIST_DIR}/safety_test.cpp)
target_link_libraries(win32_safety_test PRIVATE purgeon_win32)
add_dependencies(win32_safety_test safety_sleeper)
