# End to end under Wine: purgeon-cli asked to remove every protected folder
# in a table of spellings (as --folder and as an Uninstall entry's
# InstallLocation) deletes nothing at all; a removal ends the program's own
# running process and leaves a program of the same name elsewhere running.
set(e2e_safety_work ${CMAKE_BINARY_DIR}/e2e/safety)
add_test(NAME e2e_safety_install
  COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/safety.sh install ${e2e_safety_work})
set_tests_properties(e2e_safety_install PROPERTIES
  FIXTURES_SETUP e2e_safety SKIP_RETURN_CODE 77 TIMEOUT 300)
# The entry case runs about a hundred uninstalls one after another: 500 s
# on a slow day here, so its limit only catches a hang.
foreach(case folder entry processes)
  add_test(NAME e2e_safety_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/safety.sh check $<TARGET_FILE:purgeon-cli>
            ${e2e_safety_work} ${case})
  set_tests_properties(e2e_safety_${case} PROPERTIES
    FIXTURES_REQUIRED e2e_safety SKIP_RETURN_CODE 77 TIMEOUT 1800
    ENVIRONMENT "PURGEON_SLEEPER=$<TARGET_FILE:safety_sleeper>")
endforeach()
# The cases share the purgeon-cli folder, where an uninstall keeps its
# records, and the other suites' programs must not change under them.
set_tests_properties(e2e_safety_folder e2e_safety_entry e2e_safety_processes PROPERTIES
  RESOURCE_LOCK purgeon_cli_records)
