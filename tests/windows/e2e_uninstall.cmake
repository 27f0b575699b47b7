# End to end with real installers: NSIS and Windows Installer programs, each
# beside a sibling of the same publisher, and a portable program in a folder,
# are installed by one setup test; each case then uninstalls one of them with
# purgeon-cli uninstall and checks the machine.
set(e2e_uninstall_work ${CMAKE_BINARY_DIR}/e2e/uninstall)
add_test(NAME e2e_uninstall_install
  COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/uninstall.sh install ${e2e_uninstall_work})
set_tests_properties(e2e_uninstall_install PROPERTIES
  FIXTURES_SETUP e2e_uninstall SKIP_RETURN_CODE 77 TIMEOUT 300)
foreach(case nsis msi folder)
  add_test(NAME e2e_uninstall_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/uninstall.sh check $<TARGET_FILE:purgeon-cli>
            ${e2e_uninstall_work} ${case})
  set_tests_properties(e2e_uninstall_${case} PROPERTIES
    FIXTURES_REQUIRED e2e_uninstall SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
# The cases share the purgeon-cli folder, where an uninstall keeps its records.
set_tests_properties(e2e_uninstall_nsis e2e_uninstall_msi e2e_uninstall_folder PROPERTIES
  RESOURCE_LOCK purgeon_cli_records)
