# What `cmake --install` puts where, in the places Debian gives them, and
# the .deb that CPack makes of the same (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)

install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CORVANE_MAN_PAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion looks for a command's completion on first use.
install(FILES ${CMAKE_SOURCE_DIR}/completion/corvane.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME corvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "list, test, extract and create self-extracting archives for Windows")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "corvane reads and writes Corvane archives: programs for 32-bit Windows\n"
    "made of a stub and a compressed, optionally password-protected payload.\n"
    "It lists, tests and extracts them as the stub would, and creates them\n"
    "from folders and files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane developers <corvane@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the libraries the binary links (dpkg-shlibdeps, in dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
include(CPack)
