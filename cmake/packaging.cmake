# The release packages, made by CPack (./run dist):
# - Linux: the Debian package velko, the command-line tool in /usr/bin and its README, and the
#   gateway's service: its systemd units (one gateway, and one per terminal), its user
#   (sysusers.d, made by the package's postinst), its configuration file /etc/velko/gateway.conf,
#   and the maintainer scripts of packaging/debian/ (its README.md).
# - Windows: each build installs its module and program into the folder of its architecture, x86/
#   or x64/. The 64-bit build packages the release zip: its own files, the 32-bit build's
#   (VELKO_WIN32_BUILD), and the scripts, text and samples of packaging/windows/.

set(CPACK_PACKAGE_NAME velko)
set(CPACK_PACKAGE_VENDOR velko_foxpro)
set(VELKO_PACKAGE_MAINTAINER "velko_foxpro maintainers <maintainers@velko-foxpro.example>"
  CACHE STRING "The packages' maintainer: a name and a mail address that reaches them")
set(CPACK_PACKAGE_CONTACT "${VELKO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control for a caller-ID terminal on a serial line")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(architecture_folder x64)
  else()
    set(architecture_folder x86)
  endif()
  install(TARGETS velko_fox velko_exe
    LIBRARY DESTINATION ${architecture_folder} RUNTIME DESTINATION ${architecture_folder})

  if(architecture_folder STREQUAL x64)
    set(VELKO_WIN32_BUILD ${PROJECT_SOURCE_DIR}/build-win32 CACHE PATH
      "The 32-bit Windows build whose module and program the release zip holds")
    # Windows line ends: cmd.exe misreads labels in a script with bare line feeds.
    foreach(file install.cmd uninstall.cmd README.txt)
      configure_file(packaging/windows/${file} ${PROJECT_BINARY_DIR}/packaging/${file}
        @ONLY NEWLINE_STYLE CRLF)
      install(FILES ${PROJECT_BINARY_DIR}/packaging/${file} DESTINATION .)
    endforeach()
    # The sample programs for hosts, with the line ends of their editors on Windows.
    foreach(file velko_form.prg velko_calls.vbs)
      configure_file(packaging/windows/samples/${file}
        ${PROJECT_BINARY_DIR}/packaging/samples/${file} @ONLY NEWLINE_STYLE CRLF)
      install(FILES ${PROJECT_BINARY_DIR}/packaging/samples/${file} DESTINATION samples)
    endforeach()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME velko-${PROJECT_VERSION}-windows)
    set(CPACK_INSTALL_CMAKE_PROJECTS
      ${VELKO_WIN32_BUILD} velko_foxpro ALL /
      ${PROJECT_BINARY_DIR} velko_foxpro ALL /)
    include(CPack)
  endif()
else()
  install(TARGETS velko RUNTIME DESTINATION bin)
  # Debian's documentation of a package: its copyright and its changelog, compressed with gzip's
  # best compression and no time stamp.
  configure_file(packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/packaging/changelog -c > changelog.gz
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog)
  add_custom_target(velko_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
  install(FILES README.md packaging/debian/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION share/doc/velko)
  # The plain unit and the template unit, one gateway per terminal, from one file.
  set(UNIT_PURPOSE "The options are in /etc/velko/gateway.conf; the call log is /var/lib/velko/calls.db.")
  set(DESCRIPTION_INSTANCE "")
  set(CONFIG_NAME gateway)
  set(STATE_SUBDIRECTORY "")
  configure_file(gateway/systemd/velko-gateway.service.in
    ${PROJECT_BINARY_DIR}/systemd/velko-gateway.service @ONLY)
  set(UNIT_PURPOSE "One gateway per terminal: the instance NAME reads /etc/velko/NAME.conf\n# and logs to /var/lib/velko/NAME/calls.db.")
  set(DESCRIPTION_INSTANCE " %i")
  set(CONFIG_NAME %i)
  set(STATE_SUBDIRECTORY /%i)
  configure_file(gateway/systemd/velko-gateway.service.in
    ${PROJECT_BINARY_DIR}/systemd/velko-gateway@.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/systemd/velko-gateway.service
    ${PROJECT_BINARY_DIR}/systemd/velko-gateway@.service DESTINATION lib/systemd/system)
  install(FILES gateway/systemd/velko.sysusers DESTINATION lib/sysusers.d RENAME velko.conf)
  install(FILES gateway/systemd/gateway.conf DESTINATION /etc/velko)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # postinst makes the user with adduser where systemd-sysusers is missing.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "The velko command drives the control from the command line (velko shell),\n"
    "shows what a terminal on a port reports (velko monitor), and plays the\n"
    "terminal on a pseudo-terminal (velko sim). velko gateway, a systemd service,\n"
    "keeps a call log of the terminal's calls and delivers them to NCID and MQTT.")
  include(CPack)
endif()
