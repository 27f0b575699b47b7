# End to end with real installers: NSIS and Windows Installer packages are
# built into the build tree and installed silently in the test run's Wine
# prefix by one setup test; each check then runs purgeon-cli list --json.
set(e2e_inventory_work ${CMAKE_BINARY_DIR}/e2e/inventory)
add_test(NAME e2e_inventory_install
  COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/inventory.sh install ${e2e_inventory_work})
set_tests_properties(e2e_inventory_install PROPERTIES
  FIXTURES_SETUP e2e_inventory SKIP_RETURN_CODE 77 TIMEOUT 300)
foreach(case machine user native64 duplicate hidden msi msi_component matches_wine)
  add_test(NAME e2e_inventory_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/inventory.sh check $<TARGET_FILE:purgeon-cli>
            ${e2e_inventory_work} ${case})
  set_tests_properties(e2e_inventory_${case} PROPERTIES
    FIXTURES_REQUIRED e2e_inventory SKIP_RETURN_CODE 77 TIMEOUT 120)
endforeach()
