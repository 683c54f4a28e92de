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

# The test files of a folder are compiled as one translation unit (see quillmar_tests). With a batch size, a
# clash of two files' helper names would show only once both happen to share a batch, for whoever builds then;
# with the whole folder in one it shows at once, to whoever adds the second name. For a quicker rebuild of one
# test file set a batch size (4 or so) in your build directory, or switch the batches off.
option(QUILLMAR_UNITY_TESTS "Compile the test files of a folder together, in one translation unit" ON)
set(QUILLMAR_UNITY_TEST_BATCH 0 CACHE STRING "Test files per translation unit (0: the whole folder in one)")

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
  # Test code itself is compiled without optimisation: it is most of the build's compile time, and the
  # code under test (the libraries) keeps the build type's optimisation.
  target_compile_options(${_exe} PRIVATE -O0)
  # The files are compiled together (one translation unit): the GoogleTest, Qt and standard headers are
  # read once instead of once per file. Names at file scope, the ones in anonymous namespaces too, are
  # therefore shared by the files of a folder and must differ between them; a file that cannot follow that
  # is listed with quillmar_tests_apart.
  if(QUILLMAR_UNITY_TESTS)
    set_target_properties(${_exe} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${QUILLMAR_UNITY_TEST_BATCH})
    # A fixture in an anonymous namespace is fine in a .cpp; included into the batch it would be reported as
    # if it were a header's.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${_exe} PRIVATE -Wno-subobject-linkage)
    endif()
  endif()
  # A parameterised case is named in ctest as GoogleTest names it (suite/test/case name), without the
  # printed parameter appended: printed bytes of a structure differ from build to build.
  gtest_discover_tests(${_exe}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES)
endfunction()

# Test files of tests/<dir>/ compiled on their own, outside the batches: files whose many short names at file
# scope (token tables, step builders) would clash with those of other files.
function(quillmar_tests_apart dir)
  foreach(_f IN LISTS ARGN)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/${dir}/${_f} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
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

# Build-time settings applied once every target exists (called at the end of the top-level CMakeLists):
# moc runs only on targets that have a Q_OBJECT class among their sources. (Precompiled headers, for the
# libraries and for the tests' GoogleTest and Qt headers, were measured and gained nothing: the time goes into
# generating code, not into parsing headers.)
function(quillmar_all_targets dir out)
  get_property(_targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(_subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(_d IN LISTS _subdirs)
    quillmar_all_targets(${_d} _more)
    list(APPEND _targets ${_more})
  endforeach()
  set(${out} ${_targets} PARENT_SCOPE)
endfunction()

function(quillmar_finish_targets)
  quillmar_all_targets(${CMAKE_SOURCE_DIR} _targets)
  foreach(_t IN LISTS _targets)
    get_target_property(_type ${_t} TYPE)
    if(NOT _type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    get_target_property(_sources ${_t} SOURCES)
    get_target_property(_srcdir ${_t} SOURCE_DIR)
    set(_moc OFF)
    foreach(_s IN LISTS _sources)
      if(NOT IS_ABSOLUTE "${_s}")
        set(_s "${_srcdir}/${_s}")
      endif()
      if(_s MATCHES "\\.(h|cpp)$" AND EXISTS "${_s}")
        file(STRINGS "${_s}" _hit REGEX "Q_OBJECT|Q_GADGET" LIMIT_COUNT 1)
        if(_hit)
          set(_moc ON)
          break()
        endif()
      endif()
    endforeach()
    set_target_properties(${_t} PROPERTIES AUTOMOC ${_moc})
  endforeach()
endfunction()
