# What a Linux installation holds, and the Debian package made of it with CPack (`cpack -G DEB` in
# the build folder; tools/package does it all). The build is configured with the prefix it is
# installed under (/usr for the package): the desktop entry names the program by that path.
include(GNUInstallDirs)

install(TARGETS kmd quarvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUARVEL_XDG_DIR}/quarvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUARVEL_XDG_DIR}/quarvel-kmd.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(DIRECTORY packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES packaging/completion/kmd DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES packaging/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarvel)

# Manual pages and the changelog go in compressed, as Debian keeps them (gzip -9n: no name, no time).
set(gz_dir ${CMAKE_BINARY_DIR}/gz)
set(gz_files "")
foreach(item man/kmd.1 man/quarvel.1 debian/changelog)
  get_filename_component(name ${item} NAME)
  set(out ${gz_dir}/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${gz_dir}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/${item} > ${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${item})
  list(APPEND gz_files ${out})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${gz_files})
install(FILES ${gz_dir}/kmd.1.gz ${gz_dir}/quarvel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${gz_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quarvel developers")
set(CPACK_PACKAGE_CONTACT "The Quarvel developers <quarvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "carries changes between Velmora menu directories")
set(CPACK_PACKAGE_DESCRIPTION "Quarvel compares an old copy of a Velmora menu directory with the current one,
writes the changes with the bytes of every added or replaced file and document
into one diff file (.kmd), and imports such a file into another menu directory,
staged so that a failure leaves that directory exactly as it was. The package
holds the GUI program quarvel and its command-line front end kmd.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own texts in Japanese, and a font for them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wx3.2-i18n, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/quarvel")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
