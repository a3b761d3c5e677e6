# Run by CPack once the packages are built: every Debian package goes through
# scripts/check-package, and a package that fails it fails the packaging.
foreach(file IN LISTS CPACK_PACKAGE_FILES)
    if(file MATCHES "\\.deb$")
        execute_process(COMMAND "${CPACK_TRESSMOOR_CHECK_SCRIPT}" "${file}" RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "The package ${file} failed its check (see above).")
        endif()
    endif()
endforeach()
