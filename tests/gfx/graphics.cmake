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

# The real game's window on a virtual X screen: full screen and a window on Alt+Enter and F11.
add_test(NAME Program.SwitchesBetweenFullScreenAndALetterboxedWindow
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_toggle_run.sh $<TARGET_FILE:vektor-swarm>
                 ${CMAKE_CURRENT_BINARY_DIR}/window_toggle_run)
set_tests_properties(Program.SwitchesBetweenFullScreenAndALetterboxedWindow PROPERTIES
                     TIMEOUT 180 RUN_SERIAL TRUE)
add_test(NAME Program.SwitchesBetweenFullScreenAndAWindowUnderAWindowManager
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_toggle_run.sh $<TARGET_FILE:vektor-swarm>
                 ${CMAKE_CURRENT_BINARY_DIR}/window_toggle_wm_run wm)
set_tests_properties(Program.SwitchesBetweenFullScreenAndAWindowUnderAWindowManager PROPERTIES
                     TIMEOUT 180 RUN_SERIAL TRUE)
