# What `cmake --install` puts on a Linux system (the tools, the thumbnailer's key file, man
# pages) and the Debian package `ortholux-tools` that CPack builds from it.
include(GNUInstallDirs)

# Man pages are installed compressed, as Debian wants them.
function(ortholux_install_man_page page)
    get_filename_component(name ${page} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND gzip -9nc ${page} > ${compressed}
        DEPENDS ${page} VERBATIM)
    add_custom_target(man_${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# Debian's documentation files go into the package only, never into a plain install.
function(ortholux_add_debian_package)
    set(docs ${CMAKE_BINARY_DIR}/debian-docs)
    set(pkg ortholux-tools)
    set(version ${PROJECT_VERSION})
    string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # honours SOURCE_DATE_EPOCH
    file(WRITE ${docs}/changelog
        "${pkg} (${version}) unstable; urgency=medium\n\n"
        "  * Built from the Ortholux source tree.\n\n"
        " -- Ortholux <dev@ortholux.example>  ${date}\n")
    file(COPY_FILE ${PROJECT_SOURCE_DIR}/cmake/debian-copyright ${docs}/copyright)
    execute_process(COMMAND gzip -9nf ${docs}/changelog)
    install(FILES ${docs}/changelog.gz ${docs}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${pkg}
            COMPONENT debian_docs EXCLUDE_FROM_ALL)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME ${pkg})
    set(CPACK_PACKAGE_VERSION ${version})
    set(CPACK_PACKAGE_CONTACT "Ortholux <dev@ortholux.example>")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DWG drawing thumbnails for file managers and scripts")
    # CPack puts the summary first, as the synopsis.
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "ortholux-thumbnailer lets file managers that follow the freedesktop\n"
        "thumbnailer convention (Nautilus and others) show the thumbnail that a DWG\n"
        "drawing carries. ortholux-preview reports and extracts the thumbnails of\n"
        "single drawings or of whole folders, as BMP or PNG files.")
    set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)
    # One package from the default component and the Debian documents.
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
    set(CPACK_COMPONENTS_ALL Unspecified debian_docs)
    set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS OFF)
    set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
    include(CPack)
endfunction()
