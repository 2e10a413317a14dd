# tessary_windows_resources(TARGET PROGRAM DESCRIPTION [ICON])
# Gives a Windows program its resources, compiled by the toolchain's resource compiler from
# res/tessary.rc.in: the version record from the project's version, a manifest (visual styles,
# per-monitor DPI awareness, long paths, UTF-8 as the code page) and, with ICON, the icon
# IDR_MAINFRAME as one .ico of every size of res/tessary-*.png.
function(tessary_windows_resources target program description)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "ICON" "" "")
  set(folder ${PROJECT_BINARY_DIR}/windows-resources/${program})
  set(TESSARY_RC_PROGRAM ${program})
  set(TESSARY_RC_DESCRIPTION ${description})
  set(TESSARY_RC_MANIFEST ${folder}/${program}.manifest)
  set(TESSARY_RC_ICON 0)
  if(ARG_ICON)
    set(TESSARY_RC_ICON 1)
    set(TESSARY_RC_ICON_FILE ${folder}/tessary.ico)
    find_program(ICOTOOL icotool REQUIRED)
    set(images)
    foreach(size 16 24 32 48 64 128)
      list(APPEND images ${PROJECT_SOURCE_DIR}/res/tessary-${size}.png)
    endforeach()
    # The largest image stays a PNG in the .ico, as Windows keeps 256-pixel icons.
    add_custom_command(OUTPUT ${TESSARY_RC_ICON_FILE}
      COMMAND ${ICOTOOL} -c -o ${TESSARY_RC_ICON_FILE} ${images}
        -r ${PROJECT_SOURCE_DIR}/res/tessary-256.png
      DEPENDS ${images} ${PROJECT_SOURCE_DIR}/res/tessary-256.png
      COMMENT "Making the icon of ${program}.exe"
      VERBATIM)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/res/tessary.manifest.in ${TESSARY_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/res/tessary.rc.in ${folder}/${program}.rc @ONLY)
  target_sources(${target} PRIVATE ${folder}/${program}.rc)
  # The script alone sees the resources' identifiers and the version, not the program's sources.
  if(NOT TARGET tessary_rc_headers)
    tessary_expose_headers(tessary_rc_headers res/resource.h)
  endif()
  set_source_files_properties(${folder}/${program}.rc PROPERTIES
    OBJECT_DEPENDS "${TESSARY_RC_MANIFEST};${TESSARY_RC_ICON_FILE}"
    INCLUDE_DIRECTORIES "${TESSARY_LAYERS_DIR}/tessary_rc_headers;${PROJECT_BINARY_DIR}/generated")
endfunction()
