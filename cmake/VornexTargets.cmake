# Small wrappers so that every library and test of the project is declared the same way.

set(VRX_WARNINGS -Wall -Wextra -Wpedantic)

# VRX_SANITIZE=thread instruments every target of the project, the libraries, the tests and
# their support code alike; ThreadSanitizer sees a race only where both sides are instrumented. Qt and GoogleTest come from the system uninstrumented: scripts/tsan.supp
# names what that leaves unseen. scripts/tsan.sh builds and runs the channel's tests this way.
if(VRX_SANITIZE)
    if(NOT VRX_SANITIZE STREQUAL "thread")
        message(FATAL_ERROR "VRX_SANITIZE knows only thread, not '${VRX_SANITIZE}'")
    endif()
    add_compile_options(-fsanitize=${VRX_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${VRX_SANITIZE})
endif()

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
