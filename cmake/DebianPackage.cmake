# `cpack -G DEB` in a build folder packs what `cmake --install` puts in place into
# quorvane_VERSION_ARCH.deb. dpkg-shlibdeps reads the libraries the programs link for Depends;
# what Qt opens only at run time is named here: the WebP and TIFF readers, the SVG icon engine
# and the translations of Qt's own dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane <support@${QUORVANE_SITE_HOST}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate and similar pictures and clean them up safely")
set(CPACK_PACKAGE_DESCRIPTION "Quorvane compares pictures by a wavelet signature of their content, so a
resized, re-encoded or re-saved copy is found as well as an exact one. Pairs are reviewed side by
side and either file can be trashed, deleted or moved. quorvane-cli runs the same search from
scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${QUORVANE_SITE_HOST}/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, libqt6svg6, qt6-translations-l10n")
# The window's texts are Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
