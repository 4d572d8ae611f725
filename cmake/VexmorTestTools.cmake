# The programs the tests and the package call, each found at configure time,
# so that a missing one stops the build with its name and the Debian package
# that holds it (tools/install-test-deps installs them all), instead of a test
# failing later for a reason of the machine's.

# vexmor_require_program(<variable> <program> <Debian package>)
function(vexmor_require_program variable program package)
  find_program(${variable} ${program})
  if(NOT ${variable})
    message(FATAL_ERROR "The tests need the program ${program}, from the "
      "Debian package ${package}: run tools/install-test-deps as root.")
  endif()
endfunction()

vexmor_require_program(VEXMOR_OBJDUMP_TOOL objdump binutils)
vexmor_require_program(VEXMOR_NM_TOOL nm binutils)
vexmor_require_program(VEXMOR_GROFF_TOOL groff groff-base)
vexmor_require_program(VEXMOR_DPKG_DEB_TOOL dpkg-deb dpkg)
# The package's dependencies: CPack runs dpkg-shlibdeps, which runs file.
vexmor_require_program(VEXMOR_DPKG_SHLIBDEPS_TOOL dpkg-shlibdeps dpkg-dev)
vexmor_require_program(VEXMOR_FILE_TOOL file file)
vexmor_require_program(VEXMOR_LINTIAN_TOOL lintian lintian)
vexmor_require_program(VEXMOR_LOCALEDEF_TOOL localedef libc-bin)

# localedef compiles the tests' locales from the sources in locales.
find_path(VEXMOR_LOCALE_SOURCES de_DE PATHS /usr/share/i18n/locales
  NO_DEFAULT_PATH)
if(NOT VEXMOR_LOCALE_SOURCES)
  message(FATAL_ERROR "The tests need the locale sources in "
    "/usr/share/i18n/locales, from the Debian package locales: run "
    "tools/install-test-deps as root.")
endif()
