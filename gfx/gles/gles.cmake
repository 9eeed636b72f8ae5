# The OpenGL ES driver: OpenGL ES 3.0 (or OpenGL 3.3 core) contexts and the batched 2D driver
# over shaders. Every OpenGL call goes through the entry points the SDL window layer looks up.
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/gles_graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gles_draw2d.cpp)
