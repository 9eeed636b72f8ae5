# The picture loaders over libpng (and zlib), libjpeg and plain reads, and the font loader
# over FreeType.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(Freetype REQUIRED)
target_sources(gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_bmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixmap_tga.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_freetype.cpp)
target_link_libraries(gfx PRIVATE PNG::PNG JPEG::JPEG Freetype::Freetype)
# Fuzz builds let the PNG loader skip CRC checks so mutated files reach the decoder.
if(VS_FUZZ)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/pixmap_png.cpp PROPERTIES
    COMPILE_DEFINITIONS FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()
