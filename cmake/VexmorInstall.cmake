# Installation and the packages: on Linux a Debian package (the program in
# bin/, its manual page, the copyright file and the changelog); on Windows a
# ZIP archive holding vexmor.exe with the licence and a README beside it.
# The version is the project's; every file made here takes it from there.

include(GNUInstallDirs)

set(VEXMOR_LICENSE MIT) # SPDX identifier
set(VEXMOR_COPYRIGHT "2026 The Vexmor authors")
set(CPACK_PACKAGE_NAME vexmor)
set(CPACK_PACKAGE_VENDOR "Vexmor")
set(CPACK_PACKAGE_CONTACT "Vexmor maintainers <maintainers@users.noreply.c-seed-9d596ea9.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/staged_folders.cmake)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "measure instructions retired per time-stamp-counter tick")
set(CPACK_PACKAGE_DESCRIPTION
  "Vexmor runs a fixed kernel of 600,000,000 simple instructions for ever and\n\
reports, after each pass, how many instructions the processor retired per\n\
tick of its time-stamp counter, for that pass and for all passes.")

# Every date in the packages is the last commit's, so that two builds of one
# commit give the same bytes; SOURCE_DATE_EPOCH, when set, overrides it.
# Outside a git checkout the time of configuring has to do.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VEXMOR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_program(VEXMOR_GIT_TOOL git)
  if(VEXMOR_GIT_TOOL)
    execute_process(
      COMMAND ${VEXMOR_GIT_TOOL} -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
      OUTPUT_VARIABLE VEXMOR_SOURCE_DATE_EPOCH
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit or another checkout configures again.
    execute_process(
      COMMAND ${VEXMOR_GIT_TOOL} -C ${PROJECT_SOURCE_DIR} rev-parse
        --path-format=absolute --git-path HEAD --git-path logs/HEAD
      OUTPUT_VARIABLE git_files OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" git_files "${git_files}")
    foreach(file IN LISTS git_files)
      if(EXISTS ${file})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
      endif()
    endforeach()
  endif()
  if(NOT VEXMOR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(STATUS "Not a git checkout: the packages are dated now")
    string(TIMESTAMP VEXMOR_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()
set(ENV{SOURCE_DATE_EPOCH} ${VEXMOR_SOURCE_DATE_EPOCH}) # for string(TIMESTAMP)
string(TIMESTAMP VEXMOR_RELEASE_DAY "%Y-%m-%d" UTC)
string(TIMESTAMP VEXMOR_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)

# cpack dates the members of the package from SOURCE_DATE_EPOCH.
configure_file(${PROJECT_SOURCE_DIR}/packaging/cpack_dates.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/cpack_dates.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/cpack_dates.cmake)

# vexmor_text_file(<template> <output> [CRLF]): the template with the
# project's values filled in, its line ends made CR LF on request.
function(vexmor_text_file template output)
  set(style UNIX)
  if(ARGV2 STREQUAL "CRLF")
    set(style CRLF)
  endif()
  file(READ ${template} text)
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}" @ONLY NEWLINE_STYLE ${style})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
endfunction()

if(WIN32)
  # Everything side by side in the archive's one folder.
  install(TARGETS vexmor RUNTIME DESTINATION .)
  vexmor_text_file(${PROJECT_SOURCE_DIR}/LICENSE
    ${PROJECT_BINARY_DIR}/packaging/LICENSE.txt CRLF)
  vexmor_text_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
    ${PROJECT_BINARY_DIR}/packaging/README.txt CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/LICENSE.txt
    ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS vexmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # Debian's documentation: the manual page and the changelog compressed with
  # gzip -9n (no name, no time stamp: the same bytes every time), and the
  # copyright file in the machine-readable format, holding the licence.
  set(doc ${PROJECT_BINARY_DIR}/doc)
  configure_file(${PROJECT_SOURCE_DIR}/doc/vexmor.1.in ${doc}/vexmor.1 @ONLY)
  vexmor_text_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
    ${doc}/changelog)

  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
  list(SUBLIST license_lines 4 -1 license_lines) # after the title and notice
  set(VEXMOR_LICENSE_TEXT "")
  foreach(line IN LISTS license_lines)
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND VEXMOR_LICENSE_TEXT " ${line}\n")
  endforeach()
  string(STRIP "${VEXMOR_LICENSE_TEXT}" VEXMOR_LICENSE_TEXT)
  set(VEXMOR_LICENSE_TEXT " ${VEXMOR_LICENSE_TEXT}")
  vexmor_text_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in
    ${doc}/copyright)

  find_program(VEXMOR_GZIP_TOOL gzip REQUIRED)
  foreach(name vexmor.1 changelog)
    add_custom_command(OUTPUT ${doc}/${name}.gz
      COMMAND ${VEXMOR_GZIP_TOOL} -9n --stdout ${doc}/${name} > ${doc}/${name}.gz
      DEPENDS ${doc}/${name} VERBATIM)
  endforeach()
  add_custom_target(vexmor_documents ALL
    DEPENDS ${doc}/vexmor.1.gz ${doc}/changelog.gz)

  install(FILES ${doc}/vexmor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${doc}/copyright ${doc}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vexmor)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_STRIP_FILES ON)
include(CPack)
