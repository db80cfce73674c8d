# One place owns the plug-in module's target properties: its file name, the
# exports, the calling convention's decorations and the runtime linkage.

# Windows programs and the module carry their C and C++ runtimes inside, so
# they need no runtime DLL beside them under Wine or on a user's machine.
function(tovrel_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

function(tovrel_add_plugin target)
  add_library(${target} SHARED
    module/entry_points.cpp)
  target_link_libraries(${target} PRIVATE tovrel_module_life)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME tovrel_plugin)
  if(WIN32)
    target_sources(${target} PRIVATE module/dll_main.cpp
      ${CMAKE_SOURCE_DIR}/module/tovrel_plugin.def)
    # The .def names the undecorated entry points; let the linker match them
    # to the stdcall symbols (ParseTag@12) on 32-bit.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    tovrel_static_runtime(${target})
  else()
    target_sources(${target} PRIVATE module/load_hooks_posix.cpp)
    target_link_options(${target} PRIVATE
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/module/exports.map -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
      ${CMAKE_SOURCE_DIR}/module/exports.map)
  endif()
endfunction()
