# The Debian package: `cpack -G DEB` in the build folder writes
# zerlin_<version>_<architecture>.deb, holding what the install rules install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zerlin)
set(CPACK_PACKAGE_VENDOR Zerlin)
set(ZERLIN_PACKAGE_MAINTAINER "Zerlin maintainers <maintainers@zerlin.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
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
# What dpkg-shlibdeps finds for the program on Debian 12, declared so that building the package
# needs no dpkg-dev. Qt's X11 platform plugin, which Qt loads at run time, is in libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.2.0), libqt6network6 (>= 6.4.0), libqt6widgets6 (>= 6.1.2), libstdc++6 (>= 11), libxcb1")
# The game runs under Wine, which many users of the package have installed already.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)

include(CPack)
