# Run as a test (cmake -DSOURCE_DIR=... -P check_includes.cmake): fails, naming each file and
# include, where platform code leaks past the files that wrap it.
#  - game/ includes no SDL or OpenGL header, no OpenGL driver header and no internal header;
#  - a public framework header (not *_internal.h, not the SDL driver's own) includes no SDL or
#    OpenGL header, so including it never needs them.
set(platform_include [=[#[ ]*include[ ]*[<"](SDL[^>"]*|GL/[^>"]*|EGL/[^>"]*)[>"]]=])
set(driver_include [=[#[ ]*include[ ]*"(gfx/gl_graphics\.h|gfx/gl_draw2d\.h|system/sdl_system\.h|[^"]*_internal\.h)"]=])
set(faults "")

file(GLOB_RECURSE game_files ${SOURCE_DIR}/game/*.h ${SOURCE_DIR}/game/*.cpp)
foreach(f ${game_files})
  file(STRINGS ${f} hits REGEX "(${platform_include})|(${driver_include})")
  foreach(h ${hits})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    string(APPEND faults "  ${rel}: ${h}\n")
  endforeach()
endforeach()

file(GLOB_RECURSE headers ${SOURCE_DIR}/stream/*.h ${SOURCE_DIR}/system/*.h ${SOURCE_DIR}/gfx/*.h
     ${SOURCE_DIR}/audio/*.h)
foreach(f ${headers})
  if(f MATCHES "_internal\\.h$" OR f MATCHES "/system/sdl_system\\.h$")
    continue()
  endif()
  file(STRINGS ${f} hits REGEX "${platform_include}")
  foreach(h ${hits})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    string(APPEND faults "  ${rel}: ${h}\n")
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Expected no platform or internal header above the framework, got:\n${faults}")
endif()
list(LENGTH game_files n_game)
list(LENGTH headers n_headers)
message(STATUS "${n_game} game files and ${n_headers} framework headers include no platform header")
