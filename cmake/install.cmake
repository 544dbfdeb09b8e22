# What `cmake --install` puts where, and the Debian package made of it (`cpack -G DEB`).
include(GNUInstallDirs)

set(SOLVINA_APP_ID example.solvina.Solvina)
set(SOLVINA_INSTALL_DATA ${CMAKE_SOURCE_DIR}/data/install)
set(SOLVINA_DATADIR ${CMAKE_INSTALL_DATADIR}/solvina)

# Man pages from the README's sections, so that the README stays the one text of both.
find_program(SOLVINA_AWK NAMES awk REQUIRED)
find_program(SOLVINA_GZIP NAMES gzip REQUIRED)
set(SOLVINA_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(SOLVINA_MAN_PAGES)
function(solvina_man_page page summary description)
    set(roff ${SOLVINA_MAN_DIR}/${page}.1)
    add_custom_command(
        OUTPUT ${roff}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${SOLVINA_MAN_DIR}
        COMMAND ${SOLVINA_AWK} -v page=${page} -v "summary=${summary}"
                -v version=${PROJECT_VERSION} -v "description=${description}" ${ARGN}
                -v files=Files -f ${CMAKE_SOURCE_DIR}/tools/readme-to-man.awk
                ${CMAKE_SOURCE_DIR}/README.md > ${roff}
        # -n: no time stamp, so that two builds give the same package.
        COMMAND ${SOLVINA_GZIP} -9nf ${roff}
        DEPENDS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/tools/readme-to-man.awk
        VERBATIM)
    set(SOLVINA_MAN_PAGES ${SOLVINA_MAN_PAGES} ${roff}.gz PARENT_SCOPE)
endfunction()
solvina_man_page(solvina "breadcrumb tables for static web sites (window)" "Using the window"
                 -v synopsis=solvina -v "seealso=solvina-cli(1)")
solvina_man_page(solvina-cli "breadcrumb tables for static web sites (command line)"
                 "Command line" -v "seealso=solvina(1)")
# The Debian changelog, compressed as Debian ships it.
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND ${SOLVINA_GZIP} -9nc ${SOLVINA_INSTALL_DATA}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${SOLVINA_INSTALL_DATA}/changelog
    VERBATIM)
add_custom_target(solvina_install_files ALL DEPENDS ${SOLVINA_MAN_PAGES}
                  ${CMAKE_BINARY_DIR}/changelog.gz)

install(TARGETS solvina-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(SOLVINA_BUILD_UI)
    install(TARGETS solvina RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${SOLVINA_INSTALL_DATA}/${SOLVINA_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${SOLVINA_INSTALL_DATA}/${SOLVINA_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${SOLVINA_INSTALL_DATA}/solvina.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
# help.html and the sample library, found at ../share/solvina/ from the executables.
install(FILES ${CMAKE_SOURCE_DIR}/data/appdir/help.html ${CMAKE_SOURCE_DIR}/data/encoding-labels.tsv
        DESTINATION ${SOLVINA_DATADIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/appdir/styledata DESTINATION ${SOLVINA_DATADIR})
install(FILES ${SOLVINA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SOLVINA_INSTALL_DATA}/solvina-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME solvina-cli)
install(FILES ${SOLVINA_INSTALL_DATA}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvina)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ソルビナ開発チーム <solvina@solvina.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "breadcrumb tables for static web sites")
# The summary above is the first line; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ソルビナ writes a breadcrumb table into every page of a static web site kept
as HTML files on disk. The user designs a breadcrumb style in a style
library; one apply run follows the site's links from the top page and writes
the table between fixed marker comments, so that the next run replaces it
and an erase run removes it. Bytes outside the block are kept as they are.

This package holds the window program (Japanese interface) and solvina-cli,
the same engine without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://solvina.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The browser is started through xdg-open, else sensible-browser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS sensible-utils)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
