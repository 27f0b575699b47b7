# Purgeon's own packages, built with the programs (Windows builds only):
#   package/Purgeon_Setup.exe     the NSIS setup (installer/purgeon.nsi), when
#                                 makensis is found
#   package/Purgeon_Portable.zip  the three files and a read-me in a folder
#                                 "Purgeon"
# Targets: package_setup, package_zip (both part of the default build).
if(NOT WIN32)
  return()
endif()

set(PURGEON_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(package_programs $<TARGET_FILE:purgeon> $<TARGET_FILE:Hostkit> $<TARGET_FILE:purgeon-cli>)

# The read-me with Windows line ends.
configure_file(${PROJECT_SOURCE_DIR}/installer/ReadMe.txt ${CMAKE_BINARY_DIR}/installer/ReadMe.txt
               @ONLY NEWLINE_STYLE CRLF)

find_program(PURGEON_MAKENSIS makensis)
# The 64-bit test build's setup is a 64-bit one that installs where the
# 32-bit setup would (Wine's 64-bit loader cannot start a 32-bit setup).
set(setup_target_option)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(setup_target_option "-X!include ${PROJECT_SOURCE_DIR}/installer/amd64-test-build.nsh")
endif()
if(PURGEON_MAKENSIS)
  set(setup_exe ${PURGEON_PACKAGE_DIR}/Purgeon_Setup.exe)
  add_custom_command(OUTPUT ${setup_exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PURGEON_PACKAGE_DIR}
    COMMAND ${PURGEON_MAKENSIS} -V2 -INPUTCHARSET UTF8 ${setup_target_option}
            -DVERSION=${PURGEON_VERSION_TEXT}
            -DBIN=$<TARGET_FILE_DIR:purgeon> -DICON=${PROJECT_SOURCE_DIR}/res/purgeon.ico
            -DOUTFILE=${setup_exe} ${PROJECT_SOURCE_DIR}/installer/purgeon.nsi
    DEPENDS purgeon Hostkit purgeon-cli ${PROJECT_SOURCE_DIR}/installer/purgeon.nsi
            ${PROJECT_SOURCE_DIR}/installer/amd64-test-build.nsh
            ${PROJECT_SOURCE_DIR}/res/purgeon.ico
    COMMENT "Purgeon_Setup.exe"
    VERBATIM)
  add_custom_target(package_setup ALL DEPENDS ${setup_exe})
else()
  message(STATUS "makensis not found: no Purgeon_Setup.exe (scripts/setup.sh installs nsis)")
endif()

set(portable_zip ${PURGEON_PACKAGE_DIR}/Purgeon_Portable.zip)
set(portable_stage ${CMAKE_BINARY_DIR}/installer/portable)
add_custom_command(OUTPUT ${portable_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${portable_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${portable_stage}/Purgeon ${PURGEON_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${package_programs} ${CMAKE_BINARY_DIR}/installer/ReadMe.txt
          ${portable_stage}/Purgeon
  COMMAND ${CMAKE_COMMAND} -E rm -f ${portable_zip}
  COMMAND ${CMAKE_COMMAND} -E chdir ${portable_stage}
          ${CMAKE_COMMAND} -E tar cf ${portable_zip} --format=zip Purgeon
  DEPENDS purgeon Hostkit purgeon-cli ${CMAKE_BINARY_DIR}/installer/ReadMe.txt
  COMMENT "Purgeon_Portable.zip"
  VERBATIM)
add_custom_target(package_zip ALL DEPENDS ${portable_zip})
