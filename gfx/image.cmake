# Images, pixel-exact collision and image fonts.
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/collision.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw2d_text.cpp)
# The 8 x 16 default font of every image-font user.
vs_embed(gfx RegisterDefaultFont "vantlefont.bin" "${PROJECT_SOURCE_DIR}/fonts/vantlefont.bin")
