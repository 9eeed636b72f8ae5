# Graphics contexts, drawing state and the OpenGL driver, on SDL's offscreen video driver
# (EGL with Mesa's software renderer): no display needed.
vs_add_test(graphics_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_frontend_test.cpp
  LIBS gfx
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
