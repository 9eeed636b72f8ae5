# Graphics contexts, drawing state and the OpenGL driver, on SDL's offscreen video driver
# (EGL with Mesa's software renderer): no display needed. They call SDL and OpenGL
# themselves, so they link both.
find_package(OpenGL REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
vs_add_test(graphics_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_frontend_test.cpp
  LIBS gfx PkgConfig::SDL2 OpenGL::GL
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)

vs_add_test(gl_driver_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gl_driver_test.cpp
  LIBS gfx PkgConfig::SDL2 OpenGL::GL
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)

vs_add_test(draw2d_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw2d_state_test.cpp
  LIBS gfx PkgConfig::SDL2 OpenGL::GL
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)

# SDL told to use a video back end that does not exist: the start-up failure path, for real.
vs_add_test(graphics_no_video_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_no_video_test.cpp
  LIBS gfx
  ENV SDL_VIDEODRIVER=no_such_driver SDL_AUDIODRIVER=dummy)
