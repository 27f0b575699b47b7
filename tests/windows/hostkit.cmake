# Hostkit.dll loaded the way purgeon.exe uses it, and the registry port on the
# real registry next to the in-memory one.
purgeon_windows_test(hostkit_exports_test ${CMAKE_CURRENT_LIST_DIR}/hostkit_test.cpp)
add_dependencies(hostkit_exports_test Hostkit)
set_tests_properties(hostkit_exports_test PROPERTIES
  ENVIRONMENT "GTEST_FILTER=-HostkitOn32BitWindows.*")
# The same program on a 32-bit Windows (a win32 prefix): no WOW64 there.
if(PURGEON_64BIT_TEST_BUILD)
  purgeon_skipped_test(hostkit_exports_on_32bit_windows
    "a 32-bit Windows (a win32 prefix) runs only 32-bit programs: ${PURGEON_ONLY_32BIT}")
elseif(CMAKE_HOST_UNIX)
  add_test(NAME hostkit_exports_on_32bit_windows
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine32-run.sh $<TARGET_FILE:hostkit_exports_test>
            --gtest_filter=HostkitOn32BitWindows.*)
  set_tests_properties(hostkit_exports_on_32bit_windows PROPERTIES TIMEOUT 300)
endif()
target_link_libraries(hostkit_exports_test PRIVATE wininet)

purgeon_windows_test(win32_registry_test ${CMAKE_CURRENT_LIST_DIR}/registry_test.cpp)
target_link_libraries(win32_registry_test PRIVATE purgeon_win32 purgeon_memory)
