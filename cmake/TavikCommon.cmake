# Shared build settings for the host and the two MinGW-w64 builds.

set(TAVIK_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

set(TAVIK_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# Where the per-run Wine prefixes live; every build of one checkout shares them.
set(TAVIK_WINE_ROOT "${CMAKE_SOURCE_DIR}/build/wine" CACHE PATH "Directory holding the Wine prefixes of the test run")

function(tavik_warnings target)
    target_compile_options(${target} PRIVATE ${TAVIK_WARNINGS})
endfunction()

# Host test code runs under AddressSanitizer and UndefinedBehaviorSanitizer.
function(tavik_sanitize target)
    if(NOT WIN32)
        target_compile_options(${target} PRIVATE ${TAVIK_SANITIZERS})
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# Portable code is built twice on the host: plain for shipped tools, sanitized
# for the tests. On Windows only the plain form exists.
function(tavik_portable_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    tavik_warnings(${name})
    if(NOT WIN32)
        set(sanitized_deps)
        foreach(dep IN LISTS ARG_DEPENDS)
            list(APPEND sanitized_deps ${dep}_san)
        endforeach()
        add_library(${name}_san STATIC ${ARG_SOURCES})
        target_include_directories(${name}_san PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name}_san PUBLIC ${sanitized_deps})
        tavik_warnings(${name}_san)
        tavik_sanitize(${name}_san)
    endif()
endfunction()

if(WIN32)
    # Static C and C++ runtimes: the executables import only system DLLs.
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    set(TAVIK_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
    # Every packed program carries the launcher: size over speed, and the
    # linker drops what no entry reaches.
    set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
        set(TAVIK_WORD_SIZE 32)
    else()
        set(TAVIK_WORD_SIZE 64)
    endif()
endif()
