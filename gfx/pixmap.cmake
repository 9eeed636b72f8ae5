# Pixmaps and the chain of picture loaders.
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pixmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_loader.cpp)
