# What `cmake --install` puts on a system, and the Debian package CPack makes of it. Only the
# program, its desktop files and its documents are installed: the libraries, tests and benchmark
# stay in the build.

install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS korvane-passe RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/korvane)

set(KORVANE_ID org.example.korvane)
install(FILES ${PROJECT_SOURCE_DIR}/resources/${KORVANE_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/${KORVANE_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# "Extraire ici" in the file managers' context menus: Dolphin's service menus and Nemo's actions.
install(FILES ${PROJECT_SOURCE_DIR}/resources/bureau/korvane-extraire-ici.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
install(FILES ${PROJECT_SOURCE_DIR}/resources/bureau/korvane-extraire-ici.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions)
# The window's emblem; the PNGs are rendered from it by scripts/icones.
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/extraire.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME korvane.svg)
foreach(taille 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/hicolor/${taille}x${taille}/apps/korvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${taille}x${taille}/apps)
endforeach()

# The manual page and the changelog, compressed as Debian wants them (gzip -9n: no name nor time
# in the header, so the same sources make the same package), and the licence, as
# /usr/share/doc/korvane/copyright. Korvane is its own upstream: its Debian changelog is the
# project's, which a native package installs as changelog.gz.
find_program(GZIP gzip REQUIRED)
set(documents ${CMAKE_BINARY_DIR}/documents)
foreach(source korvane.1 paquet/changelog)
    get_filename_component(nom ${source} NAME)
    add_custom_command(OUTPUT ${documents}/${nom}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/${source} ${documents}/${nom}
        COMMAND ${GZIP} -9nf ${documents}/${nom}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/${source} VERBATIM)
endforeach()
add_custom_target(korvane_documents DEPENDS ${documents}/korvane.1.gz ${documents}/changelog.gz)
# Building the program makes them too: scripts/paquet builds no more than the program.
add_dependencies(korvane korvane_documents)
install(FILES ${documents}/korvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${documents}/changelog.gz ${PROJECT_SOURCE_DIR}/resources/paquet/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Korvane")
set(CPACK_PACKAGE_CONTACT "L'équipe Korvane <korvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lister, tester ou extraire les archives RAR")
# One string: two would be joined as a list, with a ";" at the start of the second line.
set(CPACK_PACKAGE_DESCRIPTION "\
Korvane est un petit programme de bureau qui ouvre les archives RAR et en
liste, teste ou extrait le contenu. Tout le décodage est fait par la
bibliothèque UnRAR (libunrar5, de la section non-free), dans un programme
auxiliaire confiné par bubblewrap, seccomp et Landlock.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://korvane.example.org/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps only sees what the ELF files link against. Four packages are reached otherwise
# and have to be named: libunrar5, opened at run time by the helper, without which the program
# stops at start-up; bubblewrap, which makes the helper's sandbox; libqt6svg6, whose plugins draw
# the SVG icons; qt6-translations-l10n, which puts Qt's own buttons and dialogs into French.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libunrar5, bubblewrap, libqt6svg6, qt6-translations-l10n")
# Qt's Wayland plugin: without it, a Wayland desktop runs the window through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
