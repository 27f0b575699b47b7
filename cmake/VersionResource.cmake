# purgeon_version_resource(TARGET RC-FILE): compiles RC-FILE, a script that
# includes res/version_info.rc, into TARGET, with the version header that
# src/ui/win32 generates from the project version (purgeon_version.h), so
# that every executable carries purgeon.exe's version.
include_guard(GLOBAL)

function(purgeon_version_resource target rc_file)
  target_sources(${target} PRIVATE ${rc_file})
  set_source_files_properties(${rc_file} PROPERTIES
    INCLUDE_DIRECTORIES "${PROJECT_BINARY_DIR}/src/ui/win32;${PROJECT_SOURCE_DIR}/res"
    OBJECT_DEPENDS "${PROJECT_BINARY_DIR}/src/ui/win32/purgeon_version.h;${PROJECT_SOURCE_DIR}/res/version_info.rc;${PROJECT_SOURCE_DIR}/res/purgeon.ico")
endfunction()
