# The SDL window layer both OpenGL drivers share, and the OpenGL entry points looked up through SDL.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sdl_gl_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_procs.cpp)
target_link_libraries(gfx PRIVATE PkgConfig::SDL2)
