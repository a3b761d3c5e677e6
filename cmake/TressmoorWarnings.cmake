# Warning flags and the helper that defines one static library per core layer.
add_library(tressmoor_warnings INTERFACE)
target_compile_options(tressmoor_warnings INTERFACE -Wall -Wextra -Wpedantic)
# GCC 12 reports impossible overlaps inside std::string::assign when optimising (its bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(tressmoor_warnings INTERFACE -Wno-restrict)
endif()
if(TRESSMOOR_WERROR)
    target_compile_options(tressmoor_warnings INTERFACE -Werror)
endif()

# tressmoor_layer(name) — a static library of every .cpp in the calling folder.
function(tressmoor_layer name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE tressmoor_warnings)
endfunction()
