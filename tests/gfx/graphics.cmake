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
vs_add_program_test(Program.SwitchesBetweenFullScreenAndALetterboxedWindow 180
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_toggle_run.sh $<TARGET_FILE:vektor-swarm>
          ${CMAKE_CURRENT_BINARY_DIR}/window_toggle_run@run@)
vs_add_program_test(Program.SwitchesBetweenFullScreenAndAWindowUnderAWindowManager 180
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_toggle_run.sh $<TARGET_FILE:vektor-swarm>
          ${CMAKE_CURRENT_BINARY_DIR}/window_toggle_wm_run@run@ wm)

# The OpenGL ES driver against the OpenGL one: the same scenes through both, pixels compared;
# once over OpenGL ES 3.0 and once over its desktop form, OpenGL 3.3 core.
vs_add_test(driver_compare_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_compare_test.cpp
  LIBS gfx PkgConfig::SDL2
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
vs_add_test(driver_compare_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_compare_test.cpp
  LIBS gfx PkgConfig::SDL2
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
target_compile_definitions(driver_compare_core_tests PRIVATE VS_DESKTOP_FORM)

# Which driver a program gets: by default, with the knob, and when OpenGL ES cannot draw.
vs_add_test(driver_choice_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_choice_test.cpp
  LIBS gfx PkgConfig::SDL2
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
