# The Windows program's packages: an installer made with NSIS (a Start-menu entry, an
# uninstaller, everything in one folder under Program Files) and a portable zip with the
# same files. "make windows-package" or "cpack" in build/windows makes both.
install(TARGETS kelmar-sim RUNTIME DESTINATION .)
# The sample error files sit beside the program, the folder the Start-menu entry starts
# in, which is where the program looks for them.
install(FILES ${PROJECT_SOURCE_DIR}/samples/erro_layout.err ${PROJECT_SOURCE_DIR}/samples/erro_envio.err
        DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/requests DESTINATION samples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGE_FILE_NAME kelmar-sim-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY kelmar-sim)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY kelmar-sim)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/cmake/windows-installer-notice.txt)
set(CPACK_PACKAGE_EXECUTABLES kelmar-sim "Simulador de Resposta do Kelmar")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer, like the program: it runs where only 64-bit Windows programs can
# (Wine without its 32-bit half, for one), and writes the 64-bit registry view.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_DISPLAY_NAME "kelmar-sim ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "kelmar-sim")
set(CPACK_NSIS_INSTALLED_ICON_NAME kelmar-sim.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A program ended hard (killed, the machine switched off) leaves its lock beside the
# settings; a normal exit removes it. Either way the uninstaller takes it, so the
# program's folder goes.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Delete '$INSTDIR\\\\.config.ini.lock'")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
