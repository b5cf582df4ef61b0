# Small wrappers so that every library and test of the project is declared the same way.

set(VRX_WARNINGS -Wall -Wextra -Wpedantic)

# vrx_library(NAME SOURCES ... [DEPS ...] [PUBLIC_DEPS ...])
# A static library whose include root is the source tree's top, so headers are included as
# "Platform/os/Handles.h" or "Application/utils/AddressText.h".
function(vrx_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    target_compile_options(${name} PRIVATE ${VRX_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_DEPS})
endfunction()

# vrx_test(NAME SOURCES ... [DEPS ...])
# One GoogleTest binary; its cases are registered with CTest one by one.
function(vrx_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${VRX_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} vrx_testsupport GTest::gtest GTest::gmock)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
