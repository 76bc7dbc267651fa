# cmake/Windows.cmake
# The product and its Windows tests, cross-built for i686 and run under Wine.
enable_language(RC)
enable_language(ASM)
# -Os: the program waits on messages, and nearly all of a tick's time is Wine's, so speed
# bought with larger code is not worth its bytes (-O2 made the program's code 1.42 MB
# instead of 0.83 MB).
set(CMAKE_CXX_FLAGS_RELEASE "-Os -g -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_RC_COMPILE_OBJECT
    "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -O coff -i <SOURCE> -o <OBJECT>")

add_compile_options(${TG_WARNINGS} -ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# Reproducible: one commit gives the same bytes in any folder at any time (scripts/package
# --check). Paths the compiler keeps (__FILE__, debug information) are made relative to the
# source and build folders, the build folder's last because GCC applies the last map that
# matches and it usually lies inside the source folder; the linker writes no time stamp.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
add_link_options(-Wl,--no-insert-timestamp)
# Everything the framework calls is in these system DLLs of Windows 95/98.
# WinInet and Windows Sockets serve only the upgrader: delay-loaded (import libraries made
# from cmake/delay/*.def), they and the half dozen libraries they bring in under Wine are
# loaded at the first upgrade check instead of before the first tray picture. The common
# controls are delay-loaded too: imported, they are started before the program's first
# instruction and pull the display driver and the theme library in with them.
find_program(TG_DLLTOOL ${TG_TRIPLET}-dlltool REQUIRED)
set(TG_DELAY_LIBS)
foreach(dll wininet wsock32 comctl32)
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}.delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND ${TG_DLLTOOL} --kill-at --input-def ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def
            --dllname ${dll}.dll --output-delaylib ${lib}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def
    COMMENT "Delay-import library for ${dll}.dll")
  list(APPEND TG_DELAY_LIBS ${lib})
  # The linker's garbage collection does not follow an import slot to the stub that loads
  # the library on the first call, and leaves the slot null: each stub is kept by name.
  file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def exports REGEX "@[0-9]+$")
  foreach(name ${exports})
    add_link_options(-Wl,--undefined=_${name})
  endforeach()
endforeach()
add_custom_target(tg_delay_imports DEPENDS ${TG_DELAY_LIBS})
set(TG_SYSTEM_LIBS ${TG_DELAY_LIBS} shell32 winmm advapi32 gdi32 user32 kernel32)

include(cmake/GoogleTest.cmake)

file(GLOB TG_FRAMEWORK_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/framework/*.cpp)
add_library(tg_framework STATIC ${TG_FRAMEWORK_WIN_SOURCES})
target_include_directories(tg_framework PUBLIC ${CMAKE_SOURCE_DIR}/framework ${CMAKE_SOURCE_DIR})
target_link_libraries(tg_framework PUBLIC ${TG_SYSTEM_LIBS})
add_dependencies(tg_framework tg_delay_imports)

# The vy library, one unit per component under lib/<subsystem>/.
file(GLOB_RECURSE TG_LIB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/lib/*.cpp)
list(FILTER TG_LIB_SOURCES EXCLUDE REGEX "/swap/")
if(TG_LIB_SOURCES)
  add_library(tg_vy STATIC ${TG_LIB_SOURCES})
else()
  add_library(tg_vy INTERFACE)
endif()
if(TG_LIB_SOURCES)
  target_link_libraries(tg_vy PUBLIC tg_framework)
  target_include_directories(tg_vy PUBLIC ${TG_LIB_INCLUDE_DIRS})
else()
  target_link_libraries(tg_vy INTERFACE tg_framework)
  target_include_directories(tg_vy INTERFACE ${TG_LIB_INCLUDE_DIRS})
endif()

# The swap program first: the product's resources embed the built file.
add_subdirectory(lib/upgrade/swap)
add_subdirectory(app)
add_subdirectory(bench)

file(GLOB TG_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*Test.cpp)
file(GLOB TG_WIN_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/support/*.cpp)
if(TG_WIN_TEST_SUPPORT)
  add_library(tg_win_test_support STATIC ${TG_WIN_TEST_SUPPORT})
  target_include_directories(tg_win_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/win/support)
  target_link_libraries(tg_win_test_support PUBLIC tg_app_core tg_gtest tg_gdi_table)
else()
  add_library(tg_win_test_support INTERFACE)
  target_link_libraries(tg_win_test_support INTERFACE tg_app_core tg_gtest)
endif()
# Source properties hold per folder: the tests' copy of the resources needs them here too.
set_source_files_properties(${TG_APP_RC} PROPERTIES OBJECT_DEPENDS "${TG_APP_RC_DEPENDS}")
# The test programs' own sources are compiled without optimisation: their gtest expansions
# took half again as long at -Os, and what they test (framework and components) keeps -Os.
set_source_files_properties(${TG_WIN_TESTS} ${TG_WIN_TEST_SUPPORT} PROPERTIES COMPILE_OPTIONS -O0)
foreach(src ${TG_WIN_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE tg_win_test_support)
  # Tests carry the product's resources (forms, bitmaps, cursors) too.
  target_sources(${name} PRIVATE ${TG_APP_RC})
  add_dependencies(${name} vySwap)
  target_link_options(${name} PRIVATE -mconsole)
  add_test(NAME win.${name} COMMAND ${name})
  set_tests_properties(win.${name} PROPERTIES TIMEOUT 300)
endforeach()
# The real upgrades take over two minutes: the test runner gives them a shard of their own,
# so that the other suites run beside them instead of after them.
set_tests_properties(win.vyAppUpdaterTest PROPERTIES LABELS slow)

# The upgrader's texts are compared with their UTF-8 source, and checked once more by a run
# whose ANSI code page is 1251: Wine takes it from the Unix locale of the process.
target_compile_definitions(vyAppUpdaterLanguageTest PRIVATE TG_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_test(NAME win.vyAppUpdaterLanguageTest.cp1251 COMMAND vyAppUpdaterLanguageTest)
set_tests_properties(win.vyAppUpdaterLanguageTest.cp1251 PROPERTIES TIMEOUT 300
                     ENVIRONMENT "LC_ALL=ru_RU.UTF-8;TG_REPORT_SUFFIX=-cp1251;TG_EXPECT_ACP=1251")

# The upgrade dialogs once more under the ANSI code page 1251 (Wine takes it from the Unix
# locale), where they also show themselves in Russian and Ukrainian.
add_test(NAME win.vyAppUpdaterWizardTest.cp1251 COMMAND vyAppUpdaterWizardTest)
set_tests_properties(win.vyAppUpdaterWizardTest.cp1251 PROPERTIES TIMEOUT 300
                     ENVIRONMENT "LC_ALL=ru_RU.UTF-8;TG_REPORT_SUFFIX=-cp1251")

# A stand-in for a program being upgraded, which the swap program's tests start and restart.
add_executable(SwapStandIn WIN32 ${CMAKE_SOURCE_DIR}/tests/win/standin/SwapStandIn.cpp)
add_dependencies(vySwapTest SwapStandIn)

# A small program carrying an upgrader, which the upgrader's end-to-end test upgrades.
add_executable(UpdaterStandIn WIN32 ${CMAKE_SOURCE_DIR}/tests/win/standin/UpdaterStandIn.cpp ${TG_APP_RC})
target_link_libraries(UpdaterStandIn PRIVATE tg_app_core)
add_dependencies(UpdaterStandIn vySwap)
add_dependencies(vyAppUpdaterTest UpdaterStandIn)
# Its signed upgrades are signed by the publisher's tool from the source tree.
target_compile_definitions(vyAppUpdaterTest PRIVATE TG_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# The hash and signature arithmetic neither throws nor calls anything that does: without
# unwind tables it is about a kilobyte smaller. Every downloaded file of a signed upgrade is
# hashed: the hash is worth the few hundred bytes of faster code.
set_source_files_properties(${CMAKE_SOURCE_DIR}/lib/upgrade/vyEd25519.cpp
                            PROPERTIES COMPILE_OPTIONS "-fno-exceptions;-fno-asynchronous-unwind-tables")
set_source_files_properties(${CMAKE_SOURCE_DIR}/lib/upgrade/vyDigest.cpp
                            PROPERTIES COMPILE_OPTIONS "-O2;-fno-exceptions;-fno-asynchronous-unwind-tables")
