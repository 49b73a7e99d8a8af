# `cpack -G DEB` in a build folder packs what `cmake --install` puts in place into
# quorvane_VERSION_ARCH.deb. dpkg-shlibdeps reads the libraries the programs link for Depends;
# what is opened only at run time is named here: the packages of libheif, libjxl, libwebp, LibRaw
# and libcrypto, and from Qt the WebP and TIFF readers, the SVG icon engine and the translations of
# Qt's own dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane <support@${QUORVANE_SITE_HOST}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate and similar pictures and clean them up safely")
# Debian shows each line as it stands, so none is longer than 79 columns.
set(CPACK_PACKAGE_DESCRIPTION "Quorvane compares pictures by a wavelet signature of their content,
so a resized, re-encoded or re-saved copy is found as well as an exact one.
Pairs are reviewed side by side and either file can be trashed, deleted or
moved. quorvane-cli runs the same search from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${QUORVANE_SITE_HOST}/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(opened_packages "")
foreach(file ${QUORVANE_LIBHEIF_FILE} ${QUORVANE_LIBJXL_FILE} ${QUORVANE_LIBWEBP_FILE} ${QUORVANE_LIBRAW_FILE} ${QUORVANE_LIBCRYPTO_FILE})
  execute_process(COMMAND dpkg-query -S ${file} OUTPUT_VARIABLE owner RESULT_VARIABLE result ERROR_QUIET)
  if(result EQUAL 0 AND owner MATCHES "^([^:]+)")
    string(APPEND opened_packages ", ${CMAKE_MATCH_1}")
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, libqt6svg6, qt6-translations-l10n${opened_packages}")
# The window's texts are Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")

# The machine-readable copyright file and the changelog of this native package go into the package
# alone, not into a plain `cmake --install`.
set(debian_doc ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
configure_file(cmake/debian/copyright.in debian/copyright @ONLY)
configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
quorvane_gzipped(${PROJECT_BINARY_DIR}/debian/changelog changelog debian_changelog)
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${debian_changelog} DESTINATION ${debian_doc}
    COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
include(CPack)
