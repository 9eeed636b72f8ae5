# Tests of images, collision and image fonts; those that open a context use SDL's
# offscreen video driver, so no display is needed.
vs_add_test(collision_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/collision_test.cpp
  LIBS gfx)
vs_add_test(image_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_test.cpp
  LIBS gfx)
vs_add_test(font_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_test.cpp
  LIBS gfx)
vs_add_test(image_gl_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_gl_test.cpp
  LIBS gfx
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
vs_add_test(framework_types_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/framework_types_test.cpp
  LIBS gfx audio
  ENV SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy)
