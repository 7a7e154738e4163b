# `make package`: a Debian package of the programs, their manual pages and the README, built with
# CPack (trimorph_<version>_<arch>.deb). Its library dependencies are worked out from the
# programs by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trimorph)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Trimorph developers <trimorph@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converts 3D Studio level-of-detail files into one Halvard shape file")
set(CPACK_PACKAGE_DESCRIPTION
    "Trimorph merges a model saved at several levels of detail, one .3ds file per level, into one
text shape file for the Halvard simulator, with tools to check shape files, inspect level files,
convert whole folders and preview the result.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://trimorph.invalid/")
include(CPack)
