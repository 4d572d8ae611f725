# Installation and the Debian package: the program in bin/, its manual page
# in share/man/man1/.

include(GNUInstallDirs)

install(TARGETS vexmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/vexmor.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexmor)
set(CPACK_PACKAGE_VENDOR "Vexmor")
set(CPACK_PACKAGE_CONTACT "Vexmor maintainers <maintainers@users.noreply.c-seed-9d596ea9.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "measure instructions retired per time-stamp-counter tick")
set(CPACK_PACKAGE_DESCRIPTION
  "Vexmor runs a fixed kernel of 600,000,000 simple instructions for ever and\n\
reports, after each pass, how many instructions the processor retired per\n\
tick of its time-stamp counter, for that pass and for all passes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
