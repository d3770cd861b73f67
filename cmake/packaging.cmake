# The Debian package: `cpack -G DEB` in the build folder writes
# zerlin_<version>_<architecture>.deb, holding what the install rules install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zerlin)
set(CPACK_PACKAGE_VENDOR Zerlin)
# ZERLIN_PACKAGE_MAINTAINER is defined beside the change log it also signs, in resources/.
set(CPACK_PACKAGE_CONTACT "${ZERLIN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Zerlin joins multiplayer servers of the PC game Battlefield 1942: type a\n"
    "server's IP and port, or pick a named bookmark, and click JOIN. On Linux\n"
    "the game is started under Wine. Bookmarks are saved to and opened from\n"
    "bookmark files (.sbk), and zerlin: links join a server from a web page.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links, for the flags it was built with (a sanitizer build needs
# libasan8 and libubsan1, say), found by dpkg-shlibdeps (package dpkg-dev). Qt's X11 platform
# plugin, which Qt loads at run time and dpkg-shlibdeps cannot see, is in libqt6gui6, which the
# program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The game runs under Wine, which many users of the package have installed already.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)

include(CPack)
