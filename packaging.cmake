# The Debian package: `scripts/package` builds build/waytrace_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME waytrace)
set(CPACK_PACKAGE_VENDOR Torvane)
set(CPACK_PACKAGE_CONTACT "Torvane <${WAYTRACE_SUPPORT_ADDRESS}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "records a web transaction as a URL-sequence monitor")
set(CPACK_PACKAGE_DESCRIPTION
  "Waytrace records a web transaction in its own browser as a URL sequence, lets\n"
  "the user label each URL and set its alert conditions, and saves the sequence\n"
  "into a Torvane monitoring server as a URL-sequence monitor.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://${WAYTRACE_WEBSITE_HOST}/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (and the engine's helper process) come from dpkg-shlibdeps; what it cannot see is
# named here: the fonts of the Japanese and Chinese interfaces and of the Latin fallback.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-dejavu-core")
# Qt's own texts (file dialogs, context menus) in Japanese and Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
