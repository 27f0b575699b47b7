# Hostkit.dll loaded the way purgeon.exe uses it, and the registry port on the
# real registry next to the in-memory one.
purgeon_windows_test(hostkit_exports_test ${CMAKE_CURRENT_LIST_DIR}/hostkit_test.cpp)
add_dependencies(hostkit_exports_test Hostkit)
target_link_libraries(hostkit_exports_test PRIVATE wininet)

purgeon_windows_test(win32_registry_test ${CMAKE_CURRENT_LIST_DIR}/registry_test.cpp)
target_link_libraries(win32_registry_test PRIVATE purgeon_win32 purgeon_memory)
