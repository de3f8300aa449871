# Installation of the program's data and the Debian package.
#
# Included by the top-level CMakeLists.txt after src/, so the program targets
# exist. The programs themselves are installed next to their targets (src/ui,
# src/cli); everything else a desktop install needs is installed here:
#   share/applications            the menu entry
#   share/icons/hicolor/NxN/apps  the icon in each size (made once from
#                                 data/pagewell.png and kept in data/icons)
#   share/metainfo                the AppStream description
#   share/pagewell                readme.html (browser page), help.html (help)
#   share/man/man1                manual pages, compressed at build time
#   share/doc/pagewell            copyright and change log
#
#   cpack -G DEB   (in the build folder) makes pagewell_<version>_amd64.deb

set(PAGEWELL_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(PAGEWELL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(PAGEWELL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pagewell)

# Debian wants manual pages and change logs compressed with gzip -9n (no name,
# no time stamp, so the package is the same whenever it is built).
find_program(PAGEWELL_GZIP gzip REQUIRED)
set(PAGEWELL_GZ_DIR ${PROJECT_BINARY_DIR}/packaging)
set(PAGEWELL_GZ_FILES)
function(pagewell_gzip source name)
    set(copy ${PAGEWELL_GZ_DIR}/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PAGEWELL_GZ_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND ${PAGEWELL_GZIP} -9nf ${copy}
        DEPENDS ${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    set(PAGEWELL_GZ_FILES ${PAGEWELL_GZ_FILES} ${copy}.gz PARENT_SCOPE)
endfunction()

pagewell_gzip(${PAGEWELL_PACKAGING_DIR}/man/pagewell-cli.1 pagewell-cli.1)
pagewell_gzip(${PAGEWELL_PACKAGING_DIR}/changelog changelog)
if(PAGEWELL_GUI)
    pagewell_gzip(${PAGEWELL_PACKAGING_DIR}/man/pagewell.1 pagewell.1)
endif()
add_custom_target(pagewell_compressed_docs ALL DEPENDS ${PAGEWELL_GZ_FILES})

install(FILES ${PAGEWELL_GZ_DIR}/pagewell-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PAGEWELL_PACKAGING_DIR}/copyright DESTINATION ${PAGEWELL_DOC_DIR})
# A native package (version without a Debian revision) keeps its log as changelog.gz.
install(FILES ${PAGEWELL_GZ_DIR}/changelog.gz DESTINATION ${PAGEWELL_DOC_DIR})

# The pages in share/pagewell are the program's own (the browser page shows
# readme.html, the help command help.html), not documentation of the package.
install(FILES ${PAGEWELL_PACKAGING_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME pagewell)

# A stripping install (cpack with CPACK_STRIP_FILES, cmake --install --strip)
# also drops the compiler's version notes, which nothing reads.
install(CODE "set(PAGEWELL_STRIP \"${CMAKE_STRIP}\")
set(PAGEWELL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program pagewell pagewell-cli)
            set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${PAGEWELL_BINDIR}/${program}")
            if(EXISTS "${file}")
                execute_process(COMMAND "${PAGEWELL_STRIP}" --remove-section=.comment "${file}"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endforeach()
    endif()
]])

if(PAGEWELL_GUI)
    install(FILES ${PAGEWELL_GZ_DIR}/pagewell.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PAGEWELL_DATA_DIR}/readme.html ${PAGEWELL_DATA_DIR}/help.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pagewell)
    install(FILES ${PAGEWELL_DATA_DIR}/pagewell.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PAGEWELL_DATA_DIR}/io.github.pagewell.Pagewell.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 22 24 32 48 64 128 256)
        install(FILES ${PAGEWELL_DATA_DIR}/icons/${size}x${size}/pagewell.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagewell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pagewell developers")
set(CPACK_PACKAGE_CONTACT "Pagewell developers <developers@pagewell.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download a whole blog and make it into CHM and EPUB e-books")
# Read here rather than named as CPACK_PACKAGE_DESCRIPTION_FILE, which CPack
# would pass through XML escaping (&apos; in the control file). It is written
# into CPackConfig.cmake as a quoted string: no double quotes in it.
file(READ ${PAGEWELL_PACKAGING_DIR}/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PAGEWELL_PACKAGING_DIR}/description.txt)
set(CPACK_RESOURCE_FILE_LICENSE ${PAGEWELL_PACKAGING_DIR}/copyright)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # pagewell_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries; chmcmd (fp-utils) compiles the CHM book
# and the Chinese font draws the program's texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fp-utils, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xchm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
