# Checks that every include of the product's sources goes the right way between the layers,
# and that only the platform's implementations include the operating system's headers:
#   cmake -DSOURCE_DIR=... -P cmake/CheckLayers.cmake
# Fails, naming each wrong include, so that the build stops at it. The layers, lowest first,
# and what each may include besides itself:
#   model/numbers   (nothing)
#   platform        (its own headers; posix/ and windows/ also the system's)
#   model/pass      model/numbers, platform
#   model/job       model/numbers, model/pass, platform
#   cli             model, platform
#   framework       platform; qt/ and win32/ also their toolkits' and the system's headers,
#                   win32/ also the Windows platform's text conversions
#   res             framework
#   app             framework, model/job and what it needs, res
# The platform's and the framework's implementation folders are the only ones where an
# include of a header that is not in the C++ standard library is allowed.

set(rules
  "model/numbers/|model/numbers/"
  "platform/posix/|platform/"
  "platform/windows/|platform/"
  "platform/|platform/error.h,platform/file.h,platform/replacement.h,platform/process.h,platform/interrupt.h,platform/entry.h,platform/temporary_name.h"
  "model/pass/|model/numbers/,model/pass/,platform/error.h,platform/file.h"
  "model/job/|model/numbers/,model/pass/,model/job/,platform/error.h,platform/file.h,platform/replacement.h,platform/process.h"
  "cli/|cli/,model/,platform/error.h,platform/file.h,platform/process.h,platform/interrupt.h,platform/entry.h,tessary_version.h"
  "framework/qt/|framework/,platform/error.h,platform/process.h"
  "framework/win32/|framework/,platform/error.h,platform/process.h,platform/windows/text.h"
  "framework/|framework/,platform/error.h,platform/process.h"
  "res/|framework/,res/,tessary_version.h"
  "app/|app/,framework/,model/job/,model/pass/,res/")
set(system_allowed platform/posix/ platform/windows/ framework/qt/ framework/win32/)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/model/*.h ${SOURCE_DIR}/model/*.cpp
  ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp
  ${SOURCE_DIR}/cli/*.h ${SOURCE_DIR}/cli/*.cpp
  ${SOURCE_DIR}/framework/*.h ${SOURCE_DIR}/framework/*.cpp
  ${SOURCE_DIR}/res/*.h ${SOURCE_DIR}/res/*.cpp
  ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp)

set(problems "")
foreach(source IN LISTS sources)
  set(allowed "")
  foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    string(REPLACE "," ";" parts "${parts}")
    list(GET parts 0 folder)
    if(source MATCHES "^${folder}")
      list(SUBLIST parts 1 -1 allowed)
      break()
    endif()
  endforeach()
  set(system OFF)
  foreach(folder IN LISTS system_allowed)
    if(source MATCHES "^${folder}")
      set(system ON)
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
      if(NOT ok)
        list(APPEND problems "${source}: includes \"${header}\", which its layer may not use")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(header ${CMAKE_MATCH_1})
      # The C++ standard library's headers have no extension and no folder, in lower case.
      if(NOT system AND NOT header MATCHES "^[a-z_]+$")
        list(APPEND problems "${source}: includes <${header}>, a header of the system or a toolkit")
      endif()
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes that go the wrong way between the layers:\n  ${text}")
endif()
