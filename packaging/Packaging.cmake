# What `cmake --install` puts beside the program for desktops to find it, and
# the Debian package that `cpack -G DEB` makes of the installed tree.
include(GNUInstallDirs)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/vorlane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# One scalable icon serves every size; desktops rasterise it as needed.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vorlane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlane)
set(CPACK_PACKAGE_VENDOR "Vorlane")
set(CPACK_PACKAGE_CONTACT "Vorlane maintainers <maintainers@vorlane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk usage of directory objects on a file server or volume")
# Debian wants the long description in lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Vorlane lists which objects of a directory context, optionally with every
container below it, use how much disk space on one file server or on one
volume of it, largest first. It talks to a real LDAP directory and the
site's file servers (this machine's file systems, and others reached over
SSH) when VORLANE_LDAP_URI is set, and otherwise to a simulated network,
described by a JSON file named in NWSIM_NETWORK or built in.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# The shared libraries the program links (Qt, the C++ runtime) are found by
# dpkg-shlibdeps. The platform plugins are loaded at run time, so nothing
# links them and they must be named: without them Qt cannot open a window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")

include(CPack)
