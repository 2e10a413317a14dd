# Checks that every include of the product's sources goes the right way between the layers,
# and that only the platform's and the framework's implementations include the operating
# system's or a toolkit's headers:
#   cmake -DSOURCE_DIR=... -P cmake/CheckLayers.cmake
# Fails, naming each wrong include, so that the build stops at it. The compiler enforces the
# same layers (each library exposes only its own headers: cmake/TessaryLayers.cmake); this
# check also covers what the include directories cannot: the system's headers, includes within
# a library that reach into an implementation folder, and paths that climb out with "..".
#
# Every top-level folder holding C or C++ sources is product code and checked, except the
# tests, benchmarks and fuzz targets and build folders. The layers, lowest first, and what each
# may include besides itself:
#   model/numbers   (nothing)
#   platform        its own headers; its implementation folders posix/, windows/ and web/
#                   (the browser's) also the system's headers
#   model/pass      model/numbers, platform's files and errors
#   model/job       model/numbers, model/pass, platform's files, errors, replacement, process
#   cli             model, platform
#   framework       platform's errors and process; qt/ and win32/ also their toolkits' and the
#                   system's headers, win32/ also the Windows platform's text conversions
#   res             framework
#   app             framework, model/job and what it needs, res
#   web             the browser's module: model, platform's files and errors
# A folder without a rule here (a new one) may include only the C++ standard library.

cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "Usage: cmake -DSOURCE_DIR=<source folder> -P CheckLayers.cmake")
endif()

# "folder|prefix,prefix,...": the first rule whose folder starts the source's path applies.
set(rules
  "model/numbers/|model/numbers/"
  "model/pass/|model/numbers/,model/pass/,platform/error.h,platform/file.h,platform/memory.h"
  "model/job/|model/numbers/,model/pass/,model/job/,platform/error.h,platform/file.h,platform/replacement.h,platform/process.h"
  "platform/|platform/"
  "cli/|cli/,model/,platform/error.h,platform/file.h,platform/process.h,platform/interrupt.h,platform/entry.h,tessary_version.h"
  "framework/win32/|framework/,platform/error.h,platform/process.h,platform/windows/text.h"
  "framework/|framework/,platform/error.h,platform/process.h"
  "res/|framework/,res/,tessary_version.h"
  "app/|app/,framework/,model/job/,model/pass/,res/"
  "web/|web/,model/,platform/error.h,platform/file.h,tessary_version.h")
# The implementation folders: the only ones that may include the system's or a toolkit's
# headers, and whose own headers only they may include...
set(implementations
  platform/posix/ platform/windows/ platform/web/ framework/qt/ framework/win32/)
# ...but for these, "folder|header": a header of an implementation that another one shares.
set(shared "framework/win32/|platform/windows/text.h")
# Not product code: the tests, benchmarks and fuzz targets.
set(exempt tests bench fuzz)

set(patterns *.h *.hh *.hpp *.hxx *.inc *.ipp *.c *.cc *.cpp *.cxx *.m *.mm)
file(GLOB top RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(sources)
foreach(entry IN LISTS top)
  if(entry MATCHES "^\\." OR entry MATCHES "^(build|out)" OR entry IN_LIST exempt)
    continue()
  endif()
  if(IS_DIRECTORY ${SOURCE_DIR}/${entry})
    if(EXISTS ${SOURCE_DIR}/${entry}/CMakeCache.txt)
      continue()  # a build folder by another name
    endif()
    set(globs ${patterns})
    list(TRANSFORM globs PREPEND ${SOURCE_DIR}/${entry}/)
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${globs})
    list(FILTER found EXCLUDE REGEX "/node_modules/")
    list(APPEND sources ${found})
  else()
    foreach(pattern IN LISTS patterns)
      string(REPLACE "." "\\." regex "${pattern}")
      string(REPLACE "*" ".*" regex "${regex}")
      if(entry MATCHES "^${regex}$")
        list(APPEND sources ${entry})
        break()
      endif()
    endforeach()
  endif()
endforeach()
list(SORT sources)

set(problems "")
foreach(source IN LISTS sources)
  set(known OFF)
  set(allowed "")
  foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    string(REPLACE "," ";" parts "${parts}")
    list(GET parts 0 folder)
    if(source MATCHES "^${folder}")
      set(known ON)
      list(SUBLIST parts 1 -1 allowed)
      break()
    endif()
  endforeach()
  set(own_implementation "")
  foreach(folder IN LISTS implementations)
    if(source MATCHES "^${folder}")
      set(own_implementation ${folder})
    endif()
  endforeach()

  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(header ${CMAKE_MATCH_1})
      set(ok OFF)
      foreach(prefix IN LISTS allowed)
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok ON)
        endif()
      endforeach()
      # An implementation's headers are its own, except the ones it shares by name.
      foreach(folder IN LISTS implementations)
        string(FIND "${header}" "${folder}" at)
        if(at EQUAL 0 AND NOT folder STREQUAL own_implementation
           AND NOT "${own_implementation}|${header}" IN_LIST shared)
          set(ok OFF)
        endif()
      endforeach()
      if(header MATCHES "(^|/)\\.\\.?(/|$)")
        list(APPEND problems
          "${source}: includes \"${header}\"; give the path from the source folder, without . or ..")
      elseif(NOT known)
        list(APPEND problems
          "${source}: includes \"${header}\", but its folder is in no layer (give it a rule here)")
      elseif(NOT ok)
        list(APPEND problems "${source}: includes \"${header}\", which its layer may not use")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(header ${CMAKE_MATCH_1})
      # The C++ standard library's headers have no extension and no folder, in lower case.
      if(NOT own_implementation AND NOT header MATCHES "^[a-z_]+$")
        list(APPEND problems "${source}: includes <${header}>, a header of the system or a toolkit")
      endif()
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes that go the wrong way between the layers:\n  ${text}")
endif()
