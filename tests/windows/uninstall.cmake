# Launching uninstall commands, following their processes and removing
# leftovers, on real processes, files and registry: a probe program stands in
# for an uninstaller under any name, and a small Windows Installer package
# (built with wixl when it is there) is installed and then uninstalled.
add_executable(uninstall_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/uninstall_probe.cpp)
target_link_options(uninstall_probe PRIVATE -municode)

purgeon_windows_test(win32_uninstall_test ${CMAKE_CURRENT_LIST_DIR}/uninstall_test.cpp)
target_link_libraries(win32_uninstall_test PRIVATE purgeon_win32 purgeon_memory msi shell32)
target_include_directories(win32_uninstall_test PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_dependencies(win32_uninstall_test uninstall_probe Hostkit)

find_program(WIXL_PROGRAM wixl)
if(WIXL_PROGRAM)
  set(probe_msi ${CMAKE_BINARY_DIR}/bin/uninstall_probe.msi)
  add_custom_command(OUTPUT ${probe_msi}
    COMMAND ${WIXL_PROGRAM} -a x86 -o ${probe_msi} uninstall_probe.wxs
    WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/uninstall_probe.wxs)
  add_custom_target(uninstall_probe_msi DEPENDS ${probe_msi})
  add_dependencies(win32_uninstall_test uninstall_probe_msi)
endif()
