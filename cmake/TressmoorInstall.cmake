# Installation and packaging: the two programs, the sample program folder, the desktop entry,
# icons, AppStream metainfo and manual pages, and a Debian package through CPack.
#
#   cmake --install BUILD [--prefix P]    installs into P (default /usr/local)
#   cmake --build BUILD --target package  builds tressmoor_<version>_<arch>.deb and checks it
#
# Components: "program" (programs, desktop integration, manual pages) and "data" (the generated
# program folder, installed as <prefix>/share/tressmoor, where the programs look for it).

set(TRESSMOOR_APP_ID "io.github.tressmoor.Tressmoor")
set(TRESSMOOR_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tressmoor")
set(packaging "${PROJECT_SOURCE_DIR}/packaging")

# --- Programs -----------------------------------------------------------------------------
install(TARGETS tressmoor-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
if(TARGET tressmoor)
    install(TARGETS tressmoor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
endif()

# --- The sample program folder --------------------------------------------------------------
# Generating it renders every route video (a minute or more), so builds meant for installing
# make it as part of the build, and the sanitizer and fuzzing builds (which only test) do not;
# `cmake --build BUILD --target content` makes it in any build.
if(TARGET mkcontent)
    if(TRESSMOOR_SANITIZE OR TRESSMOOR_FUZZ)
        set(content_default OFF)
    else()
        set(content_default ON)
    endif()
    option(TRESSMOOR_CONTENT "Generate the sample program folder as part of the build"
        ${content_default})
    set(TRESSMOOR_CONTENT_DIR "${CMAKE_BINARY_DIR}/data" CACHE PATH
        "Where the build generates the sample program folder (installed as share/tressmoor)")
    if(TRESSMOOR_CONTENT)
        set(content_all ALL)
    else()
        set(content_all "")
    endif()
    # The script regenerates only when content/ or mkcontent changed since the last time.
    add_custom_target(content ${content_all}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-content ${CMAKE_BINARY_DIR}
            ${TRESSMOOR_CONTENT_DIR}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        COMMENT "Generating the sample program folder in ${TRESSMOOR_CONTENT_DIR}"
        USES_TERMINAL VERBATIM)
    add_dependencies(content mkcontent)

    install(CODE "
        if(NOT EXISTS \"${TRESSMOOR_CONTENT_DIR}/.generated\")
            message(FATAL_ERROR \"The sample program folder ${TRESSMOOR_CONTENT_DIR} has not been \"
                \"generated: build the target 'content' first (cmake --build ${CMAKE_BINARY_DIR} \"
                \"--target content).\")
        endif()" COMPONENT data)
    install(DIRECTORY "${TRESSMOOR_CONTENT_DIR}/" DESTINATION ${TRESSMOOR_INSTALL_DATADIR}
        COMPONENT data PATTERN ".generated" EXCLUDE)

    # --- Icons, drawn by mkcontent at every size of the hicolor theme -----------------------
    set(icon_dir "${CMAKE_BINARY_DIR}/icons")
    set(icon_files "")
    foreach(size 16 22 24 32 48 64 128 256)
        list(APPEND icon_files "${icon_dir}/hicolor/${size}x${size}/apps/${TRESSMOOR_APP_ID}.png")
    endforeach()
    # Drawing the icons is no test: the leak checker of a sanitizer build stays out of it.
    add_custom_command(OUTPUT ${icon_files}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:mkcontent> --icons ${icon_dir} ${TRESSMOOR_APP_ID}
        DEPENDS mkcontent
        COMMENT "Drawing the program's icons"
        VERBATIM)
    add_custom_target(icons ALL DEPENDS ${icon_files})
    install(DIRECTORY "${icon_dir}/hicolor" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        COMPONENT program)
endif()

# --- Desktop entry, AppStream metainfo, manual pages ----------------------------------------
configure_file(${packaging}/${TRESSMOOR_APP_ID}.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/packaging/${TRESSMOOR_APP_ID}.metainfo.xml @ONLY)
if(TARGET tressmoor)
    install(FILES ${packaging}/${TRESSMOOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${TRESSMOOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
endif()

set(man_pages "")
foreach(page tressmoor.6 tressmoor-sim.6)
    set(gz "${CMAKE_BINARY_DIR}/packaging/${page}.gz")
    add_custom_command(OUTPUT ${gz}
        COMMAND gzip -9 -n -c ${packaging}/${page} > ${gz}
        DEPENDS ${packaging}/${page}
        VERBATIM)
    list(APPEND man_pages ${gz})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
if(NOT TARGET tressmoor)
    list(REMOVE_ITEM man_pages "${CMAKE_BINARY_DIR}/packaging/tressmoor.6.gz")
endif()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT program)

# --- Debian package -------------------------------------------------------------------------
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tressmoor")
set(CPACK_PACKAGE_VENDOR "Tressmoor")
set(CPACK_PACKAGE_CONTACT "Tressmoor developers <tressmoor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "railway driving simulator with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Pick one of five prepared services and drive the train from the cab: the view ahead is a\n"
    "route video whose frame follows the simulated speed, with the cab panel, signals and\n"
    "station stops over it. Includes the sample line, and tressmoor-sim, a headless runner\n"
    "that drives services from scripts.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "tressmoor")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries come from the programs themselves; the font is loaded by its file name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
# After packaging, the package's file list and metadata are checked.
set(CPACK_TRESSMOOR_CHECK_SCRIPT "${PROJECT_SOURCE_DIR}/scripts/check-package")
set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/TressmoorCheckPackage.cmake")
include(CPack)
