# Layer check, run as a test: `cmake -DSOURCE_DIR=... -DQT_PART=... -P CheckLayers.cmake`.
# Layers, lowest first: platform's Qt-free core < platform's Qt part < text < the libraries (editor,
# controls, checker, net, images) < print < shell. A file may include its own folder and the layers
# below it: never a layer above, and never another library of its own layer (a sideways edge). The
# Qt-free targets (platform's core, text, checker) include no Qt header. Every offending line is
# listed; any offence fails the test.
cmake_minimum_required(VERSION 3.25)

set(_libraries editor controls checker net images)
set(_qt_free_folders text checker)

# Layer of a source file or of an included path ("folder/File.h"); -1 for anything else.
function(layer_of path out)
  string(REGEX MATCH "^[^/]+" _folder "${path}")
  get_filename_component(_name "${path}" NAME)
  if(_folder STREQUAL "platform")
    if(_name IN_LIST QT_PART)
      set(_layer 1)
    else()
      set(_layer 0)
    endif()
  elseif(_folder STREQUAL "text")
    set(_layer 2)
  elseif(_folder IN_LIST _libraries)
    set(_layer 3)
  elseif(_folder STREQUAL "print")
    set(_layer 4)
  elseif(_folder STREQUAL "shell")
    set(_layer 5)
  else()
    set(_layer -1)
  endif()
  set(${out} ${_layer} PARENT_SCOPE)
endfunction()

set(_offences "")
file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/text/*.h ${SOURCE_DIR}/text/*.cpp
     ${SOURCE_DIR}/editor/*.h ${SOURCE_DIR}/editor/*.cpp ${SOURCE_DIR}/controls/*.h ${SOURCE_DIR}/controls/*.cpp
     ${SOURCE_DIR}/checker/*.h ${SOURCE_DIR}/checker/*.cpp ${SOURCE_DIR}/net/*.h ${SOURCE_DIR}/net/*.cpp
     ${SOURCE_DIR}/images/*.h ${SOURCE_DIR}/images/*.cpp ${SOURCE_DIR}/print/*.h ${SOURCE_DIR}/print/*.cpp
     ${SOURCE_DIR}/shell/*.h ${SOURCE_DIR}/shell/*.cpp)
foreach(_file ${_files})
  layer_of("${_file}" _own)
  string(REGEX MATCH "^[^/]+" _folder "${_file}")
  set(_qt_free FALSE)
  if(_own EQUAL 0 OR _folder IN_LIST _qt_free_folders)
    set(_qt_free TRUE)
  endif()
  file(STRINGS ${SOURCE_DIR}/${_file} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(_line IN LISTS _includes)
    if(_line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(_target "${CMAKE_MATCH_1}")
      layer_of("${_target}" _their)
      string(REGEX MATCH "^[^/]+" _their_folder "${_target}")
      if(_their GREATER _own)
        string(APPEND _offences "${_file}: includes ${_target} from a higher layer\n")
      elseif(_their EQUAL _own AND NOT _their_folder STREQUAL _folder)
        string(APPEND _offences "${_file}: includes ${_target} from another library of its own layer\n")
      elseif(_qt_free AND _their EQUAL 1)
        string(APPEND _offences "${_file}: a Qt-free file includes ${_target} from platform's Qt part\n")
      endif()
    elseif(_qt_free AND _line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*|Qt[A-Za-z]*/[^>]*|qt[^>]*)>")
      string(APPEND _offences "${_file}: a Qt-free file includes the Qt header <${CMAKE_MATCH_1}>\n")
    endif()
  endforeach()
endforeach()

if(_offences)
  message(FATAL_ERROR "Layer check failed:\n${_offences}")
endif()
list(LENGTH _files _count)
message(STATUS "Layer check: ${_count} files, no upward or sideways include, no Qt header in a Qt-free target")
