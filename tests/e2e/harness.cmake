# End-to-end harness. Host build: the X11 drag source xdrop. Windows build: the driver, the
# harness's own sample window and one CTest test per tests/e2e/test_*.py module, run by
# python3 under Wine in Xvfb (see tests/e2e/README.md).

if(NOT WIN32)
    find_package(X11)
    if(X11_FOUND)
        add_executable(xdrop ${CMAKE_CURRENT_SOURCE_DIR}/xdrop/xdrop.c)
        target_link_libraries(xdrop PRIVATE X11::X11)
    else()
        message(STATUS "e2e: libX11 not found, xdrop (file drops in e2e tests) is not built")
    endif()
    return()
endif()

# Wine has none of MinGW's runtime DLLs: link them in.
file(GLOB OLXDRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/driver/*.cpp)
add_executable(olxdriver ${OLXDRIVER_SOURCES})
target_link_libraries(olxdriver PRIVATE comctl32 ole32 uuid shell32 psapi)
target_link_options(olxdriver PRIVATE -static -mconsole)

add_executable(olxselftest WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/selftest/SelfTestApp.cpp)
target_link_libraries(olxselftest PRIVATE comctl32 shell32)
target_link_options(olxselftest PRIVATE -static)

# Another program's window titled like the viewer, for the start-up hand-over tests.
add_executable(olxtitled WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/selftest/TitledWindowApp.cpp)
target_link_options(olxtitled PRIVATE -static)

# The placeholder winhlp32.exe of Windows 10 and 11, with its version information.
add_executable(olxhelpstub WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/selftest/HelpPlaceholderApp.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/selftest/HelpPlaceholder.rc)
target_link_options(olxhelpstub PRIVATE -static)

# Stands in for the shell, which under Wine draws no thumbnails: drives OrtholuxShell.dll's
# handlers in process.
file(GLOB OLXSHELL_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/shelldriver/*.cpp)
add_executable(olxshell ${OLXSHELL_SOURCES})
target_compile_definitions(olxshell PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(olxshell PRIVATE ole32 uuid shlwapi advapi32 gdi32 user32)
target_link_options(olxshell PRIVATE -static -mconsole)

find_program(ORTHOLUX_PYTHON3 python3)
if(NOT ORTHOLUX_PYTHON3)
    message(WARNING "e2e: python3 not found, end-to-end tests are not registered")
    return()
endif()
if(NOT ORTHOLUX_HOST_BUILD)
    message(WARNING "e2e: ORTHOLUX_HOST_BUILD is not set; tests that drop files will fail "
                    "for want of its bin/xdrop")
endif()

set(ORTHOLUX_E2E_ENV
    "ORTHOLUX_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    "ORTHOLUX_XDROP=${ORTHOLUX_HOST_BUILD}/bin/xdrop"
    "ORTHOLUX_FIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures/dwg"
    "ORTHOLUX_VERSION=${PROJECT_VERSION}"
    "PYTHONDONTWRITEBYTECODE=1")

file(GLOB E2E_MODULES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.py)
foreach(module_file ${E2E_MODULES})
    get_filename_component(module ${module_file} NAME_WE)
    # The viewer's modules wait for the viewer target; every other module fails loudly when
    # the program it drives is missing.
    if(module MATCHES "^test_viewer" AND NOT TARGET Ortholux)
        message(STATUS "e2e: ${module} not registered: no Ortholux target yet")
        continue()
    endif()
    if(module MATCHES "^test_shell" AND NOT TARGET OrtholuxShell)
        message(STATUS "e2e: ${module} not registered: no OrtholuxShell target")
        continue()
    endif()
    add_test(NAME e2e.${module}
             COMMAND ${ORTHOLUX_PYTHON3} -m unittest -v ${module}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(e2e.${module} PROPERTIES
        ENVIRONMENT "${ORTHOLUX_E2E_ENV}"
        TIMEOUT 900
        LABELS e2e)
endforeach()

# Modules whose truth is machine-wide state that another module's Wine session changes at the
# same moment: the About box's memory figures against the machine's reading.
foreach(module test_viewer_about)
    if(TEST e2e.${module})
        set_tests_properties(e2e.${module} PROPERTIES RUN_SERIAL TRUE)
    endif()
endforeach()
