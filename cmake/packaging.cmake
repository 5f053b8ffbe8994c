# What `cmake --install` puts under the prefix, and the packages CPack makes of it: a Debian
# package natively, a zip from the Windows build.
include(GNUInstallDirs)

if(WIN32)
  # One folder: the window, the command-line converter (vellumine-cli.exe: a name of its
  # own, as Windows' file names ignore case), the user guide, and a note on starting each.
  install(TARGETS Vellumine vellumine RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/app/help/Vellumine.html DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/windows-readme.txt DESTINATION . RENAME README.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
else()
  install(TARGETS vellumine RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/cli/vellumine.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/vellumine.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME vellumine)
  # The library for programs of one's own: both forms, the header, pkg-config's file and
  # an example to start from (cmake/library.cmake).
  install(TARGETS vellumine_shared vellumine_static
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  if(CMAKE_STRIP AND NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    # A stripped install (the package) takes the debugging information out of the static
    # library too, as it does out of the programs and the shared library.
    set(archive "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:vellumine_static>")
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \"${archive}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()")
    unset(archive)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/engine/include/vellumine.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${PROJECT_BINARY_DIR}/vellumine.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/examples/convert_page.c
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellumine/examples)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  if(VELLUMINE_SANITIZE OR VELLUMINE_THREAD_SANITIZE)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0)")
  else()
    # The C++ runtime is linked into the programs and the shared library alike; GCC 12's
    # takes arc4random (std::random_device) from glibc 2.36. scripts/test-package checks
    # this against the symbol versions the packaged files ask for.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36)")
  endif()
  if(VELLUMINE_PYTHON_PACKAGE_DIR)
    # The Python module (python/CMakeLists.txt), for Debian's python3. Importing it as root
    # writes byte code beside it that dpkg does not know of: cleared before the files go, so
    # that removing the package leaves no folder behind.
    # Recommended, not required: the command line and the library need no Python.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3 (>= 3.11)")
    cmake_path(ABSOLUTE_PATH VELLUMINE_PYTHON_PACKAGE_DIR
               BASE_DIRECTORY ${CPACK_PACKAGING_INSTALL_PREFIX} OUTPUT_VARIABLE python_package_dir)
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/prerm CONTENT "#!/bin/sh
set -e
rm -rf '${python_package_dir}/__pycache__'
")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/prerm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    unset(python_package_dir)
    # CPack looks for a shared library's name in every shared object it packages, and warns
    # (to developers) that the module has none: a Python module is loaded by its path, and
    # has no place in the shlibs file. Developers' warnings are left out when packaging.
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/debian/cpack-options.cmake)
    file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE}
         CONTENT "set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON)\n")
  endif()
  # A shlibs file for packages built against libvellumine.so.1; ldconfig after installing
  # and removing.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # Linking the static library takes the C++ runtime's development files (g++ has them).
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pkg-config, libstdc++-dev")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vellumine developers <developers@vellumine.invalid>")
endif()

set(CPACK_PACKAGE_NAME vellumine)
set(CPACK_PACKAGE_VENDOR "Vellumine")
set(CPACK_PACKAGE_CONTACT "developers@vellumine.invalid")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts HTML pages into RTF documents or plain text")
set(CPACK_PACKAGE_DESCRIPTION "A fast, byte-oriented converter of HTML pages into RTF \
documents or plain text, for the shell: standard streams, recursive and parallel batches, \
UTF-8 and Cyrillic pages; and the library behind it, with a C interface (shared and \
static, a pkg-config file and an example).")
if(VELLUMINE_PYTHON_PACKAGE_DIR)
  string(APPEND CPACK_PACKAGE_DESCRIPTION " With them, the module vellumine for Python 3.")
endif()
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
include(CPack)
