# End to end with real installers: the leftover analysis. NSIS and Windows
# Installer packages (x64 and x86) are built into the build tree and
# installed silently in the test run's Wine prefix by one setup test; each
# check then runs purgeon-cli analyze --json against what they left.
set(e2e_analyze_work ${CMAKE_BINARY_DIR}/e2e/analyze)
add_test(NAME e2e_analyze_install
  COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/analyze.sh install ${e2e_analyze_work})
set_tests_properties(e2e_analyze_install PROPERTIES
  FIXTURES_SETUP e2e_analyze SKIP_RETURN_CODE 77 TIMEOUT 300)
foreach(case nsis link msi64 msi32 refused protected)
  add_test(NAME e2e_analyze_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/analyze.sh check $<TARGET_FILE:purgeon-cli>
            ${e2e_analyze_work} ${case})
  set_tests_properties(e2e_analyze_${case} PROPERTIES
    FIXTURES_REQUIRED e2e_analyze SKIP_RETURN_CODE 77 TIMEOUT 120)
endforeach()
