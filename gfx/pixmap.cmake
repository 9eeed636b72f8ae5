# Pixmaps and the picture loaders over libpng (and zlib) and libjpeg.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pixmap.cpp)
target_link_libraries(gfx PRIVATE PNG::PNG JPEG::JPEG)
