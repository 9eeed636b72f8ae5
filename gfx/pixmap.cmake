# Pixmaps, the chain of picture loaders, and the layer's classes as reflection sees them.
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pixmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gfx_types.cpp)
