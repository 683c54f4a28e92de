# One static library per folder: every .cpp of the folder (main.cpp excepted) goes in.
function(quillmar_library name dir)
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h ${CMAKE_SOURCE_DIR}/${dir}/*.qrc)
  list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
  if(NOT _src)
    # A folder whose code has not been written yet still yields a linkable library.
    set(_src ${CMAKE_BINARY_DIR}/generated/empty_${name}.cpp)
    file(WRITE ${_src} "namespace quillmar_placeholder {}\n")
  endif()
  add_library(${name} STATIC ${_src} ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
endfunction()

# One test program per folder under tests/: every .cpp in it, plus the shared test main.
function(quillmar_tests dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT _src)
    return()
  endif()
  set(_exe test_${dir})
  add_executable(${_exe} ${_src} ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp)
  target_link_libraries(${_exe} PRIVATE ${ARGN} quillmar_platform_qt GTest::gtest GTest::gmock Qt6::Widgets)
  target_include_directories(${_exe} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${_exe} PRIVATE
    QUILLMAR_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures"
    QUILLMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${_exe}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# Fuzz targets (clang with libFuzzer; configure with -DQUILLMAR_FUZZ=ON, with -DQUILLMAR_SANITIZE=ON too):
# the library is instrumented, the target links the fuzzer driver. Never built by default.
option(QUILLMAR_FUZZ "Build the fuzz targets" OFF)
function(quillmar_fuzz_target name source library)
  if(NOT QUILLMAR_FUZZ)
    return()
  endif()
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
  add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${library})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
endfunction()
