# Graphics contexts, the drawing state and the OpenGL driver over SDL2 and OpenGL.
find_package(OpenGL REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw2d.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_draw2d.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_util.cpp)
target_link_libraries(gfx PRIVATE PkgConfig::SDL2 OpenGL::GL)
# The 8 x 16 font of the raw OpenGL text routine.
vs_embed(gfx RegisterGLTextFont "gldrawtextfont.bin" "${PROJECT_SOURCE_DIR}/fonts/gldrawtextfont.bin")
