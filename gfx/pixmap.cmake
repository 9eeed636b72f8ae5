# Pixmaps and the picture loaders over libpng (and zlib) and libjpeg.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pixmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_bmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_tga.cpp)
target_link_libraries(gfx PRIVATE PNG::PNG JPEG::JPEG)
# Fuzz builds let the PNG loader skip CRC checks so mutated files reach the decoder.
if(VS_FUZZ)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/pixmap_png.cpp PROPERTIES
    COMPILE_DEFINITIONS FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()
