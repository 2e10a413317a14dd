# The layers of the product: the one place they are written. The build makes each layer a
# library of its own from this table (cmake/TessaryLayers.cmake: tessary_layer), with include
# directories that hold only the headers it may see, and checks every include of the sources
# against it before anything is compiled (cmake/CheckLayers.cmake). Lowest first, a row is
#   LIBRARY|FOLDER|IMPLEMENTATION FOLDERS|WHAT IT USES
# where what it uses is the libraries of lower layers, each followed by the only headers of it
# that the layer's sources may include ("tessary_platform:error.h,file.h"; all its public
# headers when none is named), and tessary_version for the generated version header. Only the
# implementation folders (FOLDER/SUB) may include the system's or a toolkit's headers, and
# their own headers stay inside them, however the include is spelt.
set(TESSARY_LAYERS
  "tessary_numbers|model/numbers||"
  "tessary_platform|platform|posix,windows,web|"
  "tessary_pass|model/pass||tessary_numbers tessary_platform:error.h,file.h,memory.h"
  "tessary_job|model/job||tessary_numbers tessary_pass tessary_platform:error.h,file.h,replacement.h,process.h"
  "tessary_cli|cli||tessary_job tessary_pass tessary_numbers tessary_platform:error.h,file.h,process.h,interrupt.h,entry.h tessary_version"
  "tessary_framework|framework|qt,win32|tessary_platform:error.h,process.h"
  "tessary_resource_ids|res||tessary_framework tessary_version"
  "tessary_app|app||tessary_framework tessary_job tessary_resource_ids"
  "tessary_web|web||tessary_job tessary_pass tessary_numbers tessary_platform:error.h,file.h tessary_version")

# An implementation's header that another implementation shares, as "FOLDER|HEADER".
set(TESSARY_SHARED_IMPLEMENTATION_HEADERS "framework/win32/|platform/windows/text.h")

# The folders that are not product code: the tests, benchmarks and fuzz targets.
set(TESSARY_NOT_PRODUCT tests bench fuzz)

# Sets <prefix>_FOUND, <prefix>_FOLDER, <prefix>_IMPLEMENTATIONS and <prefix>_USES (a list of
# "LIBRARY" or "LIBRARY:header,header") from the row of `library`.
macro(tessary_layer_row library prefix)
  set(${prefix}_FOUND OFF)
  foreach(_row IN LISTS TESSARY_LAYERS)
    string(REPLACE "|" ";" _fields "${_row}")
    list(GET _fields 0 _library)
    if(_library STREQUAL "${library}")
      set(${prefix}_FOUND ON)
      list(GET _fields 1 ${prefix}_FOLDER)
      list(GET _fields 2 _implementations)
      string(REPLACE "," ";" ${prefix}_IMPLEMENTATIONS "${_implementations}")
      list(GET _fields 3 _uses)
      string(REPLACE " " ";" ${prefix}_USES "${_uses}")
    endif()
  endforeach()
endmacro()
