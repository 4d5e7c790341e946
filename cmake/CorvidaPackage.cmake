# The Debian package (`./run package`): what cmake --install puts under /usr, with its dependencies
# read from the libraries the programs link (dpkg-shlibdeps) and a note on the dialout group.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvida)
set(CPACK_PACKAGE_VENDOR "Corvida")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Upgrades two-way radios over a serial port")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Corvida verifies a radio against an upgrade kit, downloads bootcode in bootstrap mode, flashes\n"
    "firmware, programs a new codeplug while keeping the radio's own tuning and serial data, and\n"
    "patches codeplug fields as the kit prescribes. With corvida-cli, kittool, radiosim and a demo kit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvida maintainers <maintainers@corvida.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
