# Reads the #include lines of every source file of a layer and fails on one the layer must not use.
# The compiler catches most of them, as a layer's library does not link what it must not use; this
# check catches the rest: system headers such as sqlite3.h and mdbtools.h lie on every include path,
# and a Qt header named with its module (<QtWidgets/QWidget>) is found through Qt Core's path.
#   cmake -DSOURCE_DIR=... -DQT_CORE_HEADERS=<the QtCore include folder> -P checklayers.cmake

cmake_minimum_required(VERSION 3.25)

set(errors)

# Checks the files that FILES names (patterns relative to SOURCE_DIR; dictionary/reader/ left out
# where EXCLUDE_READER is set).
#   PROJECT: the project folders (or files) whose headers the layer may include; the reader's own
#            headers only where dictionary/reader/ is named
#   FORBID: system headers the layer may not include
#   QT: NONE (no Qt header at all), CORE (Qt Core's only) or ANY
function(check_layer layer)
  cmake_parse_arguments(ARG "EXCLUDE_READER" "QT" "FILES;PROJECT;FORBID" ${ARGN})
  set(files)
  foreach(pattern IN LISTS ARG_FILES)
    file(GLOB_RECURSE found ${SOURCE_DIR}/${pattern})
    list(APPEND files ${found})
  endforeach()
  if(ARG_EXCLUDE_READER)
    list(FILTER files EXCLUDE REGEX "/dictionary/reader/")
  endif()
  if(NOT files)
    list(APPEND errors "${layer}: no files found")
  endif()
  foreach(file IN LISTS files)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "include[ \t]*([<\"])([^>\"]+)([>\"])")
        continue()
      endif()
      set(header ${CMAKE_MATCH_2})
      set(where "${name}: #include ${CMAKE_MATCH_1}${header}${CMAKE_MATCH_3}")
      if(CMAKE_MATCH_1 STREQUAL "<" AND header MATCHES "^Q")
        if(header MATCHES "^Qt([A-Za-z]+)/")
          set(qtCore FALSE)
          if(CMAKE_MATCH_1 STREQUAL "Core")
            set(qtCore TRUE)
          endif()
        elseif(EXISTS ${QT_CORE_HEADERS}/${header})
          set(qtCore TRUE)
        else()
          set(qtCore FALSE)
        endif()
        if(ARG_QT STREQUAL "NONE")
          list(APPEND errors "${where}: the ${layer} uses no Qt")
        elseif(ARG_QT STREQUAL "CORE" AND NOT qtCore)
          list(APPEND errors "${where}: the ${layer} uses Qt Core only")
        endif()
      elseif(header IN_LIST ARG_FORBID)
        list(APPEND errors "${where}: the ${layer} must not use it")
      elseif(header MATCHES "^(dictionary|mainwindow|areas|browse|search|filepicker|cli|tools|tests)/")
        # The reader's own headers are open only to the layers that name their folder.
        set(allowed FALSE)
        foreach(prefix IN LISTS ARG_PROJECT)
          string(FIND "${header}" "${prefix}" at)
          if(at EQUAL 0 AND (prefix MATCHES "^dictionary/reader/" OR NOT header MATCHES "^dictionary/reader/"))
            set(allowed TRUE)
          endif()
        endforeach()
        if(NOT allowed)
          list(APPEND errors "${where}: the ${layer} may not include it")
        endif()
      endif()
    endforeach()
  endforeach()
  set(errors ${errors} PARENT_SCOPE)
endfunction()

set(wire dictionary/cellview.h dictionary/errornumbers.h dictionary/rc4.)
# What the dictionary layer sees of the reader: the call, its errors and the sink it fills.
set(readerInterface dictionary/reader/dictionaryreader.h dictionary/reader/failure.h dictionary/reader/rowsink.h)
set(systemLibraries sqlite3.h mdbtools.h mdbsql.h glib.h)

check_layer("shared base" QT NONE
  FILES dictionary/cellview.h dictionary/errornumbers.h dictionary/rc4.*
  PROJECT ${wire} FORBID ${systemLibraries})
check_layer("reader" QT NONE
  FILES dictionary/reader/*
  PROJECT ${wire} dictionary/reader/ FORBID ${systemLibraries})
check_layer("dictionary layer" QT CORE EXCLUDE_READER
  FILES dictionary/*.h dictionary/*.cpp
  PROJECT dictionary/ ${readerInterface} FORBID mdbtools.h mdbsql.h glib.h)
check_layer("query program" QT CORE
  FILES cli/query/*
  PROJECT dictionary/ cli/platform.h FORBID mdbtools.h mdbsql.h glib.h)
check_layer("programs' platform files" QT NONE
  FILES cli/platform*
  PROJECT cli/platform.h FORBID ${systemLibraries})
check_layer("area catalogue" QT CORE
  FILES areas/areacatalogue.*
  PROJECT areas/areacatalogue.h FORBID ${systemLibraries})
check_layer("windows" QT ANY
  FILES mainwindow/* areas/*.h areas/*.cpp browse/* search/* filepicker/*
  PROJECT mainwindow/ areas/ browse/ search/ filepicker/ dictionary/connection.h dictionary/error.h
          dictionary/errornumbers.h dictionary/fieldvalue.h dictionary/filename.h dictionary/recordset.h dictionary/statements.h
          dictionary/shownattributes.h
  FORBID ${systemLibraries})
check_layer("comparison" QT CORE
  FILES cli/diff/*.h cli/diff/*.cpp
  PROJECT dictionary/connection.h dictionary/engine.h dictionary/cellview.h dictionary/error.h
          dictionary/errornumbers.h dictionary/fieldvalue.h dictionary/filename.h dictionary/recordset.h
          dictionary/statements.h dictionary/shownattributes.h dictionary/textfold.h cli/diff/ cli/platform.h areas/areacatalogue.h
  FORBID ${systemLibraries})
check_layer("test support" QT CORE
  FILES testkit/mdbwrite/* testkit/damage/*
  PROJECT dictionary/ dictionary/reader/jetformat.h testkit/mdbwrite/ testkit/damage/ FORBID mdbtools.h mdbsql.h glib.h)

if(errors)
  list(JOIN errors "\n" text)
  message(FATAL_ERROR "Includes a layer must not use:\n${text}")
endif()
