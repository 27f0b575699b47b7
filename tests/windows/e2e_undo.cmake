# End to end under Wine: undo sets changed in every way a program of the
# user's could change one restore only what the removal took; a set on a
# full small volume leaves nothing partial and says so; two removals of one
# program started together lose nothing.
set(e2e_undo_work ${CMAKE_BINARY_DIR}/e2e/undo)
add_test(NAME e2e_undo_install COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/undo.sh install ${e2e_undo_work})
set_tests_properties(e2e_undo_install PROPERTIES FIXTURES_SETUP e2e_undo SKIP_RETURN_CODE 77)
foreach(case tampered full together killed)
  add_test(NAME e2e_undo_${case}
    COMMAND bash ${PROJECT_SOURCE_DIR}/e2e/undo.sh check $<TARGET_FILE:purgeon-cli>
            ${e2e_undo_work} ${case})
  set_tests_properties(e2e_undo_${case} PROPERTIES
    FIXTURES_REQUIRED e2e_undo SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK purgeon_cli_records)
endforeach()
