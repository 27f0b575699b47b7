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

# Unattended, in a fresh prefix of its own with the same samples: the NSIS
# and the MSI program in one `--quiet` run with no window shown, then their
# undo sets restored and the machine compared with how it was before.
set(e2e_quiet_prefix ${CMAKE_BINARY_DIR}/wineprefix-quiet)
set(e2e_quiet_work ${CMAKE_BINARY_DIR}/e2e/quiet)
own_prefix_fixture(e2e_quiet ${e2e_quiet_prefix} uninstall ${e2e_quiet_work})
add_test(NAME e2e_uninstall_quiet
  COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/uninstall.sh check $<TARGET_FILE:purgeon-cli>
          ${e2e_quiet_work} quiet)
set_tests_properties(e2e_uninstall_quiet PROPERTIES
  FIXTURES_REQUIRED e2e_quiet SKIP_RETURN_CODE 77 TIMEOUT 600
  ENVIRONMENT "WINEPREFIX=${e2e_quiet_prefix}" RESOURCE_LOCK purgeon_cli_records)
