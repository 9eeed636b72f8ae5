# The OpenGL driver: OpenGL 2.1 compatibility contexts and the immediate-mode 2D driver.
find_package(OpenGL REQUIRED)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/gl_graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_draw2d.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_util.cpp)
target_link_libraries(gfx PRIVATE OpenGL::GL)
# The 8 x 16 font of the raw OpenGL text routine.
vs_embed(gfx RegisterGLTextFont "gldrawtextfont.bin" "${PROJECT_SOURCE_DIR}/fonts/gldrawtextfont.bin")
