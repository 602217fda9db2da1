# The Windows release zip. Host build: the zip writer's and the manifest's own tests. Windows build: CTest runs
# scripts/package.sh once (fixture release_zip, into this build folder), then checks a
# second run elsewhere gives the same bytes, and e2e.test_release unpacks it under Wine.
find_program(ORTHOLUX_RELEASE_PYTHON3 python3)
if(NOT ORTHOLUX_RELEASE_PYTHON3)
    message(WARNING "release: python3 not found, the release tests are not registered")
    return()
endif()

if(NOT WIN32)
    add_test(NAME release.zip_writer_and_manifest
             COMMAND ${ORTHOLUX_RELEASE_PYTHON3} -m unittest -v test_release_zip test_manifest
             WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
    set_tests_properties(release.zip_writer_and_manifest PROPERTIES
        ENVIRONMENT PYTHONDONTWRITEBYTECODE=1)
    return()
endif()

set(ORTHOLUX_RELEASE_ZIP
    ${CMAKE_BINARY_DIR}/release/dist/Ortholux-${PROJECT_VERSION}-win64.zip)
set(ORTHOLUX_RELEASE_MSI
    ${CMAKE_BINARY_DIR}/release/dist/Ortholux-${PROJECT_VERSION}-x64.msi)
# Each run builds the viewer from scratch: alone, so the Wine tests never share the cores
# with a compiler.
add_test(NAME release.package COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/package.sh)
set_tests_properties(release.package PROPERTIES
    ENVIRONMENT "ORTHOLUX_PACKAGE_BUILD_DIR=${CMAKE_BINARY_DIR}/release/build;ORTHOLUX_DIST_DIR=${CMAKE_BINARY_DIR}/release/dist"
    FIXTURES_SETUP release_zip
    RUN_SERIAL TRUE
    TIMEOUT 1500)

add_test(NAME release.reproducible
         COMMAND ${ORTHOLUX_RELEASE_PYTHON3} -m unittest -v test_reproducible
         WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
set_tests_properties(release.reproducible PROPERTIES
    ENVIRONMENT "ORTHOLUX_RELEASE_ZIP=${ORTHOLUX_RELEASE_ZIP};PYTHONDONTWRITEBYTECODE=1"
    FIXTURES_REQUIRED release_zip
    RUN_SERIAL TRUE
    TIMEOUT 1500)

foreach(module test_release test_msi)
    if(TEST e2e.${module})
        set_property(TEST e2e.${module} APPEND PROPERTY ENVIRONMENT
                     "ORTHOLUX_RELEASE_ZIP=${ORTHOLUX_RELEASE_ZIP}"
                     "ORTHOLUX_RELEASE_MSI=${ORTHOLUX_RELEASE_MSI}")
        set_tests_properties(e2e.${module} PROPERTIES FIXTURES_REQUIRED release_zip)
    endif()
endforeach()
