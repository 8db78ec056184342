# What the Windows Installer package says of itself, filled into BUILD/quillon.wxs when a Windows
# tree is configured: the version, the codes Windows Installer knows Quillon by, the folders for
# the tree's architecture. packaging/windows/make-msi.sh builds the MSI from it with wixl.

# Never to change: by it a later Quillon finds and replaces an earlier one, of either
# architecture, and refuses to replace a later one.
set(QUILLON_MSI_UPGRADE_CODE "{170271DD-988F-4E82-B24F-FFD99AECC339}")
# The same ProductCode at every build of one version for one architecture, and another for every
# other: deployment tools detect a release by it.
string(REGEX REPLACE "[{}]" "" upgrade_code "${QUILLON_MSI_UPGRADE_CODE}")
string(UUID product_code NAMESPACE "${upgrade_code}"
       NAME "quillon-${PROJECT_VERSION}-${QUILLON_WINDOWS_ARCH}" TYPE SHA1 UPPER)
set(QUILLON_MSI_PRODUCT_CODE "{${product_code}}")
if(QUILLON_WINDOWS_ARCH STREQUAL "win64")
    set(QUILLON_MSI_WIXL_ARCH x64)
    set(QUILLON_MSI_WIN64 yes)
    set(QUILLON_MSI_PROGRAM_FILES ProgramFiles64Folder)
else()
    set(QUILLON_MSI_WIXL_ARCH x86)
    set(QUILLON_MSI_WIN64 no)
    set(QUILLON_MSI_PROGRAM_FILES ProgramFilesFolder)
endif()
# wixl takes no absolute paths: it reads each file relative to the directory it runs in, the
# build tree.
file(RELATIVE_PATH QUILLON_MSI_ICON
     ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR}/src/app/win32/Quillon.ico)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillon.wxs.in ${CMAKE_BINARY_DIR}/quillon.wxs @ONLY)
