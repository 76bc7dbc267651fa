# cmake/GoogleTest.cmake
# GoogleTest from the system's source package, copied into the build tree at configure
# time and built with the same flags as our code. On Windows our customisation header is
# laid over the stock one.
set(TG_GTEST_SRC /usr/src/googletest/googletest)
if(NOT EXISTS ${TG_GTEST_SRC}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found at ${TG_GTEST_SRC} (package googletest)")
endif()
set(TG_GTEST_COPY ${CMAKE_BINARY_DIR}/_googletest)
file(COPY ${TG_GTEST_SRC}/include ${TG_GTEST_SRC}/src DESTINATION ${TG_GTEST_COPY})
if(WIN32)
  file(COPY ${CMAKE_SOURCE_DIR}/cmake/gtest-custom/gtest DESTINATION ${TG_GTEST_COPY}/include)
endif()

add_library(tg_gtest STATIC ${TG_GTEST_COPY}/src/gtest-all.cc)
target_include_directories(tg_gtest SYSTEM PUBLIC ${TG_GTEST_COPY}/include)
target_include_directories(tg_gtest PRIVATE ${TG_GTEST_COPY})
add_library(tg_gtest_main STATIC ${TG_GTEST_COPY}/src/gtest_main.cc)
target_link_libraries(tg_gtest_main PUBLIC tg_gtest)
if(NOT WIN32)
  find_package(Threads REQUIRED)
  target_link_libraries(tg_gtest PUBLIC Threads::Threads)
endif()
