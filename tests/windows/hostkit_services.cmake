# Hostkit's services: through the DLL's function table against Wine's real
# registry, Task Scheduler, shell and registry editor; the restore-point
# exports through the DLL; and the launcher and restore-point decisions with
# their sources compiled into the test (HOSTKIT_TEST_HOOKS) so that a test can
# stand in for Windows.
set(hostkit_dir ${PROJECT_SOURCE_DIR}/src/hostkit)

add_library(hostkit_services_support STATIC ${CMAKE_CURRENT_LIST_DIR}/hostkit_services_support.cpp)
target_include_directories(hostkit_services_support PUBLIC ${hostkit_dir} ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(hostkit_services_support PUBLIC GTest::gtest user32)

purgeon_windows_test(hostkit_services_test ${CMAKE_CURRENT_LIST_DIR}/hostkit_services_test.cpp)
target_link_libraries(hostkit_services_test PRIVATE hostkit_services_support ole32 uuid advapi32)
add_dependencies(hostkit_services_test Hostkit)

purgeon_windows_test(hostkit_services_tools_test
  ${CMAKE_CURRENT_LIST_DIR}/hostkit_services_tools_test.cpp
  ${hostkit_dir}/tools.cpp ${hostkit_dir}/wow64.cpp)
target_compile_definitions(hostkit_services_tools_test PRIVATE HOSTKIT_BUILDING HOSTKIT_TEST_HOOKS)
target_include_directories(hostkit_services_tools_test PRIVATE ${hostkit_dir} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(hostkit_services_tools_test PRIVATE shell32 shlwapi)

purgeon_windows_test(hostkit_services_restore_point_test
  ${CMAKE_CURRENT_LIST_DIR}/restore_point_test.cpp)
target_link_libraries(hostkit_services_restore_point_test PRIVATE hostkit_services_support ole32)
add_dependencies(hostkit_services_restore_point_test Hostkit)

purgeon_windows_test(hostkit_services_restore_point_logic_test
  ${CMAKE_CURRENT_LIST_DIR}/restore_point_logic_test.cpp
  ${hostkit_dir}/restore_point.cpp ${hostkit_dir}/print_stdout.cpp)
target_compile_definitions(hostkit_services_restore_point_logic_test
  PRIVATE HOSTKIT_BUILDING HOSTKIT_TEST_HOOKS)
target_link_libraries(hostkit_services_restore_point_logic_test
  PRIVATE hostkit_services_support ole32 advapi32 user32)
