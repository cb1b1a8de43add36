# The Windows deliverables: one DLL per identity with its entry point, its exports by ordinal and
# its version resource, linked against the static run-time so that it needs only system DLLs.
enable_language(RC)

set(TARVIK_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR})

# The .def names carry their stdcall argument bytes; only the 32-bit link uses them.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TARVIK_DEF_FILE ${TARVIK_WINDOWS_DIR}/tarvik.def)
else()
  file(READ ${TARVIK_WINDOWS_DIR}/tarvik.def tarvik_def)
  string(REGEX REPLACE "(FP_[A-Z]+)@[0-9]+" "\\1" tarvik_def "${tarvik_def}")
  set(TARVIK_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/tarvik64.def)
  file(CONFIGURE OUTPUT ${TARVIK_DEF_FILE} CONTENT "${tarvik_def}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARVIK_WINDOWS_DIR}/tarvik.def)
endif()

function(tarvik_windows_deliverable target name model_code)
  if(name STREQUAL "Quenda")
    set(TARVIK_DLL_DESCRIPTION "Sterownik Ardel Quenda")
  else()
    set(TARVIK_DLL_DESCRIPTION "Sterownik ${name}")
  endif()
  set(TARVIK_DLL_NAME ${name})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc)
  configure_file(${TARVIK_WINDOWS_DIR}/version.rc.in ${rc} @ONLY)

  add_library(${target} SHARED
    ${TARVIK_EXPORT_SOURCES}
    ${TARVIK_WINDOWS_DIR}/dllmain_win32.cpp
    ${TARVIK_DEF_FILE}
    ${rc})
  target_link_libraries(${target} PRIVATE tarvik_core tarvik_platform_win32)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name}
    PREFIX ""
    IMPORT_PREFIX ""
    IMPORT_SUFFIX ".dll.a"
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin
    ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib
    LINK_DEPENDS ${TARVIK_DEF_FILE})
  # --kill-at exports FP_GETSTATUS for _FP_GETSTATUS@4; without stdcall fix-up a .def entry whose
  # byte count differs from the compiled function fails the link.
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--kill-at -Wl,--disable-stdcall-fixup -Wl,--no-undefined)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The linker's import library would name the killed symbols (_FP_GETSTATUS); a 32-bit host
    # compiled with tarvik/fp.h asks for _FP_GETSTATUS@4. The import library made from the .def
    # maps each decorated name to the undecorated export.
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${TARVIK_DEF_FILE} --dllname ${name}.dll
              --output-lib $<TARGET_LINKER_FILE:${target}>
      VERBATIM)
  endif()
endfunction()
