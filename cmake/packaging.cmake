# The release packages, made by CPack (./run dist):
# - Linux: the Debian package velko, the command-line tool in /usr/bin and its README.
# - Windows: each build installs its module and program into the folder of its architecture, x86/
#   or x64/. The 64-bit build packages the release zip: its own files, the 32-bit build's
#   (VELKO_WIN32_BUILD), and the scripts and text of packaging/windows/.

set(CPACK_PACKAGE_NAME velko)
set(CPACK_PACKAGE_VENDOR velko_foxpro)
set(CPACK_PACKAGE_CONTACT "velko_foxpro maintainers")
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
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME velko-${PROJECT_VERSION}-windows)
    set(CPACK_INSTALL_CMAKE_PROJECTS
      ${VELKO_WIN32_BUILD} velko_foxpro ALL /
      ${PROJECT_BINARY_DIR} velko_foxpro ALL /)
    include(CPack)
  endif()
else()
  install(TARGETS velko RUNTIME DESTINATION bin)
  install(FILES README.md DESTINATION share/doc/velko)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "The velko command drives the control from the command line (velko shell),\n"
    "shows what a terminal on a port reports (velko monitor), and plays the\n"
    "terminal on a pseudo-terminal (velko sim).")
  include(CPack)
endif()
