# Run as a test (cmake -DSOURCE_DIR=... -P check_includes.cmake): fails, naming each file and
# include, where platform code leaks past the files that wrap it.
#  - game/ includes no SDL, OpenGL or curl header, no OpenGL driver header and no internal header of
#    the framework;
#  - a public framework header (not *_internal.h, not the SDL system driver's own nor the SDL
#    window layer's under gfx/sdl/) includes no SDL, OpenGL or curl header, so including it
#    never needs them.
set(platform_include [=[#[ ]*include[ ]*[<"](SDL[^>"]*|GL/[^>"]*|EGL/[^>"]*|curl/[^>"]*)[>"]]=])
set(driver_include [=[#[ ]*include[ ]*"(gfx/(opengl|gles|sdl|loaders)/[^"]*\.h|system/sdl_system\.h|(stream|system|gfx|audio)/[^"]*_internal\.h)"]=])
set(faults "")

# Adds "file: line" to faults for each line of the files that matches the pattern.
function(find_includes pattern)
  foreach(f ${ARGN})
    file(STRINGS ${f} hits REGEX "${pattern}")
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    foreach(h ${hits})
      string(APPEND faults "  ${rel}: ${h}\n")
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE game_files ${SOURCE_DIR}/game/*.h ${SOURCE_DIR}/game/*.cpp)
find_includes("(${platform_include})|(${driver_include})" ${game_files})

file(GLOB_RECURSE headers ${SOURCE_DIR}/stream/*.h ${SOURCE_DIR}/system/*.h ${SOURCE_DIR}/gfx/*.h
     ${SOURCE_DIR}/audio/*.h)
list(FILTER headers EXCLUDE REGEX "(_internal\\.h|/system/sdl_system\\.h|/gfx/sdl/(sdl_gl_window|gl_procs)\\.h)$")
find_includes("${platform_include}" ${headers})

if(faults)
  message(FATAL_ERROR "Expected no platform or internal header above the framework, got:\n${faults}")
endif()
list(LENGTH game_files n_game)
list(LENGTH headers n_headers)
message(STATUS "${n_game} game files and ${n_headers} public framework headers include no platform header")
