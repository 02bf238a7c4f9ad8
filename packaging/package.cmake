# The Debian package of the installed tree under /usr: `cpack -G DEB` in the build directory,
# or `cmake --build --preset default --target package`, writes
# halix-utility_VERSION_ARCH.deb there. Its dependencies come from the libraries the programs
# link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halix-utility)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Halix Utility authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration and flash utility of the Halix SCSI host adapter card")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows and edits the card's EEPROM configuration record and writes, verifies
or erases its flash BIOS, in a window (halix-utility) or in a terminal
(halix-term). It runs on a simulated machine that halix-sim inspects and
changes; no card is needed.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Directories the installation creates are readable by everyone, whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The owners have not named a contact address yet: a placeholder under the reserved .invalid
# domain, which reaches nobody, until they do.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Halix Utility authors <maintainer@halix-utility.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin (xcb, wayland), which its libraries only recommend;
# Qt's own translations make the file dialogs speak the window's language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# Binaries without their debugging symbols: the bundle's programs are installed as files of a
# directory, which `cmake --install --strip` does not reach, so the staged tree is stripped.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/strip_binaries.cmake")
include(CPack)
