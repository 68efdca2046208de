# The Debian package: `cpack -G DEB` in the build folder makes norvik-tabulon_<version>_<arch>.deb
# with whatever `cmake --install` installs. Library dependencies come from dpkg-shlibdeps; the
# rest is what the program needs at run time beside its libraries.
set(CPACK_PACKAGE_NAME norvik-tabulon)
set(CPACK_PACKAGE_VENDOR "Norvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read-only browser for Access (JET) databases")
set(CPACK_PACKAGE_DESCRIPTION "Norvik Tabulon shows the tables of Access .mdb and .accdb files (Jet 3, Jet 4, ACE):
each user table's field definitions and first rows, a SQL console for SELECT statements,
and a printed report of the field definitions. tabulon-cli reaches the same reader from
scripts (tables, fields, queries, CSV export). Databases are never written.")
set(CPACK_PACKAGE_CONTACT "Norvik Tabulon maintainers <tabulon@norvik.invalid>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY norvik-tabulon)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME norvik-tabulon)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries the programs link (Qt, SQLite, ...): Qt Print Support for the print path
# (named, as the linker may drop it from a build that does not print yet), the IPA fonts that
# stand in for the Japanese form fonts and the fallback for CJK Extension B; recommended: Qt's
# translations of its own dialogs, Wayland support, and xdg-open for the usage page.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6printsupport6, fonts-ipafont-gothic, fonts-hanazono")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland, xdg-utils")

set(CPACK_GENERATOR DEB)
include(CPack)
