# One place owns the plug-in module's target properties: its file name, the
# exports, the calling convention's decorations and the runtime linkage.

# Windows programs and the module carry their C and C++ runtimes inside, so
# they need no runtime DLL beside them under Wine or on a user's machine.
function(tovrel_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# A version resource for a Windows binary; `extra` is appended to the
# resource script (the module's manifest, say).
function(tovrel_version_resource target description file_type extra)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  get_target_property(suffix ${target} SUFFIX)
  if(NOT suffix)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      set(suffix .exe)
    else()
      set(suffix .dll)
    endif()
  endif()
  set(TOVREL_FILE_DESCRIPTION "${description}")
  set(TOVREL_FILE_NAME "${output_name}${suffix}")
  set(TOVREL_FILE_TYPE ${file_type})
  set(TOVREL_EXTRA_RESOURCES "${extra}")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
endfunction()

function(tovrel_add_plugin target)
  add_library(${target} SHARED
    module/entry_points.cpp)
  target_link_libraries(${target} PRIVATE tovrel_module_life)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME tovrel_plugin)
  if(WIN32)
    target_sources(${target} PRIVATE module/dll_main.cpp module/terminate_handler.cpp
      ${CMAKE_SOURCE_DIR}/module/tovrel_plugin.def)
    # The .def names the undecorated entry points; let the linker match them
    # to the stdcall symbols (ParseTag@12) on 32-bit. Unused sections of the
    # statically linked runtime are dropped.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--gc-sections)
    tovrel_static_runtime(${target})
    # Resource 2 is the manifest a DLL's own imports and activation context
    # use: it asks for version 6 of the common controls.
    tovrel_version_resource(${target} "Tovrel's Plug-in module" VFT_DLL
      "2 24 \"${CMAKE_SOURCE_DIR}/module/tovrel_plugin.manifest\"")
  else()
    target_sources(${target} PRIVATE module/load_hooks_posix.cpp)
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/module/exports.map)
    # clang leaves its sanitizer runtime to the executable.
    if(NOT TOVREL_SANITIZE STREQUAL "fuzzer")
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
      ${CMAKE_SOURCE_DIR}/module/exports.map)
  endif()
endfunction()
