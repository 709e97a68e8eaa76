# `cpack` in a build folder makes the Debian package of what `cmake --install` installs
# (scripts/package does it for a release build).
set(CVL_PACKAGE_MAINTAINER "Corvela developers <packages@corvela.io>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvela)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CVL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "launcher of the online game Corvela")
# Lines of under 80 columns, as the control file wants its long description.
set(CPACK_PACKAGE_DESCRIPTION
    "Installs the online game Corvela into the folder it is started in, shows the"
    "platform's login page in its own window and starts the game client once the"
    "player has logged in. The package holds the launcher cvl_qx, its uninstaller"
    "uninst, a menu entry, an icon and the manual pages.")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CVL_PACKAGE_MAINTAINER})
# The libraries the two programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond those: the window's texts are Chinese, and without a CJK font they show as boxes. The
# launcher carries a copy of p7zip-full's plug-in (CVL_SEVENZIP_PLUGIN) as data, writes it out at
# its first run and loads it from there; dpkg-shlibdeps cannot see into it, so the plug-in's own
# libraries, and its copyright and licence notice, come with the package it was taken from.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-wqy-microhei, p7zip-full")

include(CPack)
