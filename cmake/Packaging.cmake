# What `cmake --install` puts in place and what `cpack` packs into the Debian package.
include(GNUInstallDirs)

install(TARGETS korvi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KORVI_BUILD_GUI)
    install(TARGETS korvi-communicator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/data/korvi-communicator.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/korvi-communicator.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvi)
set(CPACK_PACKAGE_VENDOR "Korvi Communicator developers")
set(CPACK_PACKAGE_CONTACT "Korvi Communicator developers <korvi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Keeps the phonebook of an IP PBX in step with personal contacts")
set(CPACK_PACKAGE_DESCRIPTION
    "korvi-communicator (desktop window and tray) and korvi (command line) synchronise the\n\
phonebook of an IP PBX, reached over its SOAP web services, with a local vCard address book;\n\
they also import, export and delete PBX contacts and open the PBX user portal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs go in without their debugging symbols.
set(CPACK_STRIP_FILES ON)
# xdg-open is how the desktop opens the portal, the history file and the logs folder; a
# font with real glyphs is what the window is drawn with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core")
include(CPack)
