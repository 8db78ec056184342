# What CPack makes: on Linux a Debian package (cpack -G DEB) of the programs, the udev rule, the
# desktop entry and icon, the man page, the bash completion and the Mender update module, its
# dependencies computed from the binaries; on Windows a zip of the two programs and a short README
# (cpack -G ZIP), and the description of an MSI of the same files for wixl
# (packaging/windows/Msi.cmake).
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR Quillon)
set(CPACK_PACKAGE_CONTACT "Quillon developers <quillon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware update tool for USB HID scanners")
set(CPACK_STRIP_FILES ON)
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Updates the firmware of a family of USB HID scanners and their modules: checks the .fw file, "
    "finds the device, switches it into its boot loader, programs and verifies its flash. The "
    "command line (quillon, with JSON Lines for scripts), the Qt dialog (quillon-gui), and "
    "quillon-simd, which shows simulated scanners to the kernel through uhid.")

# The packaging scripts build the shipped programs themselves; cpack need not build the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(QUILLON_WINDOWS_ARCH win64)
    else()
        set(QUILLON_WINDOWS_ARCH win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "quillon-${PROJECT_VERSION}-${QUILLON_WINDOWS_ARCH}")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
                   ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
    include(${PROJECT_SOURCE_DIR}/packaging/windows/Msi.cmake)
else()
    # The Mender update module, which runs the quillon installed beside it. Mender looks for
    # modules under /usr/share/mender/modules/v3.
    include(GNUInstallDirs)
    set(QUILLON_BIN "${CMAKE_INSTALL_FULL_BINDIR}/quillon")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/mender/quillon.in
                   ${CMAKE_BINARY_DIR}/mender/quillon @ONLY)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/mender/quillon
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mender/modules/v3)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quillon_<version>_<arch>.deb
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Not libraries the binaries link, but needed all the same: Qt's platform plugins for the
    # dialog, and a font with the Korean and Chinese texts.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
        ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # A package must put the udev rule where packaged rules live, which only a tree configured
    # for /usr does.
    set(QUILLON_PACKAGE_RULES_DIR "${QUILLON_UDEV_RULES_DIR}")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/CPackChecks.cmake.in
                   ${CMAKE_BINARY_DIR}/CPackChecks.cmake @ONLY)
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackChecks.cmake)
endif()

include(CPack)
