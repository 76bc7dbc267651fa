# cmake/Native.cmake
# The portable files built for Linux: GoogleTest suites under AddressSanitizer and
# UndefinedBehaviorSanitizer, and libFuzzer targets when the compiler is clang.
set(TG_SAN -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${TG_SAN} -g)
add_link_options(${TG_SAN})

include(cmake/GoogleTest.cmake)

add_library(tg_portable STATIC ${TG_PORTABLE_SOURCES})
target_include_directories(tg_portable PUBLIC ${CMAKE_SOURCE_DIR}/framework ${CMAKE_SOURCE_DIR}/app ${CMAKE_SOURCE_DIR} ${TG_LIB_INCLUDE_DIRS})
target_compile_options(tg_portable PRIVATE ${TG_WARNINGS})

file(GLOB TG_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*Test.cpp)
foreach(src ${TG_NATIVE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE tg_portable tg_gtest_main)
  target_compile_options(${name} PRIVATE ${TG_WARNINGS})
  add_test(NAME native.${name} COMMAND ${name})
endforeach()

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # The portable files once more, instrumented for coverage-guided fuzzing, built once for
  # every fuzz target instead of once per target.
  add_library(tg_portable_fuzz STATIC ${TG_PORTABLE_SOURCES})
  target_include_directories(tg_portable_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/framework ${CMAKE_SOURCE_DIR}/app ${CMAKE_SOURCE_DIR} ${TG_LIB_INCLUDE_DIRS})
  target_compile_options(tg_portable_fuzz PRIVATE -fsanitize=fuzzer-no-link)
  file(GLOB TG_FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*Fuzz.cpp)
  foreach(src ${TG_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE tg_portable_fuzz)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endforeach()
endif()

# The Ed25519 test runs the oracle script from the source tree.
target_compile_definitions(vyEd25519Test PRIVATE TG_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The oracle verifies thousands of signatures: optimise the arithmetic even in a debug tree
# (the sanitizers stay on).
set_source_files_properties(${CMAKE_SOURCE_DIR}/lib/upgrade/vyEd25519.cpp ${CMAKE_SOURCE_DIR}/lib/upgrade/vyDigest.cpp
                            PROPERTIES COMPILE_OPTIONS -O2)
