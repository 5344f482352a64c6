# Install rules and the Debian package (`make package`): both programs, the samples the
# installed layout seeds the user's settings from, man pages, bash completion, desktop entry
# and icon.

include(GNUInstallDirs)

set(QUORVIX_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/quorvix)

install(TARGETS quorvix quorvix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The programs find this folder as ../share/quorvix beside their own bin folder.
install(FILES
    ${PROJECT_SOURCE_DIR}/samples/Quorvix.ini
    ${PROJECT_SOURCE_DIR}/samples/COBOLqvx.html
    ${PROJECT_SOURCE_DIR}/samples/COBOLqvx.csv
    DESTINATION ${QUORVIX_SHARE_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/cobol DESTINATION ${QUORVIX_SHARE_DIR}/samples)

# Man pages carry the project version; Debian installs them compressed.
find_program(QUORVIX_GZIP gzip REQUIRED)
foreach(page quorvix.1 quorvix-cli.1)
    set(VERSION ${PROJECT_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
        COMMAND ${QUORVIX_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/man/${page} >
                ${CMAKE_BINARY_DIR}/man/${page}.gz
        DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
        VERBATIM)
    list(APPEND quorvix_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${quorvix_man_pages})
install(FILES ${quorvix_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvix-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorvix-cli)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvix.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvix.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvix maintainers <quorvix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rule-based source line counter (COBOL first, any language)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvix counts the lines of program source files by rules the user defines (modes):\n"
    "areas started by keywords, pickup regions, comment blocks and columns, blank lines and\n"
    "counted words. It writes per-file text or HTML reports and summary CSV files in\n"
    "Shift-JIS. Comes as a Japanese desktop program (quorvix) and a command-line program\n"
    "(quorvix-cli) for scripts and CI.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link are found by dpkg-shlibdeps; Qt's platform plugins and
# libgit2 are loaded at run time, so the package names them itself (libgit2.so.1.5 comes in
# Debian's libgit2-1.5).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(REGEX REPLACE "^libgit2\\.so\\.(.+)$" "libgit2-\\1" libgit2_package "${LIBGIT2_SONAME}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ${libgit2_package}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
