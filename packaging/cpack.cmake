# The Debian package: `cmake --build build --target package` makes
# keyloom_<version>_<arch>.deb with both programs, the work directory, the
# udev helper and rule, and the desktop files. Its library dependencies come
# from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "keyloom")
set(CPACK_PACKAGE_CONTACT "keyloom developers <keyloom@keyloom.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure a three-layer gaming keyboard with RGB lighting and a knob")
set(CPACK_PACKAGE_DESCRIPTION
    "keyloom remaps the keys of the keyboard's three layers and its named key\n"
    "tables, records on-board macros, sets the lighting (with a per-key game\n"
    "mode) and the knob's function sets, keeps it all in profiles and writes it\n"
    "to the keyboard. keyloomctl does the same from the command line.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://keyloom.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded only when used: synthetic key events (libXtst), the pointer
# settings' schemas, and Qt's Wayland platform (without it a Wayland session
# shows the window through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libxtst6, gsettings-desktop-schemas, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/debian/postinst;${PROJECT_SOURCE_DIR}/packaging/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR under /usr, so paths written while installing (the
# udev rule's helper) are the package's own.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
