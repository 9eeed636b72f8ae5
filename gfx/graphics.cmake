# Graphics contexts and the drawing state: the front end every driver serves.
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/graphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw2d.cpp)
