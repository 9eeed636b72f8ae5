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
# Fuzz builds give the fuzzer coverage of these sources, and let the PNG loader skip CRC
# checks so mutated files reach the decoder.
if(VS_FUZZ)
  file(GLOB pixmap_sources ${CMAKE_CURRENT_LIST_DIR}/pixmap*.cpp)
  set_source_files_properties(${pixmap_sources} PROPERTIES COMPILE_OPTIONS -fsanitize=fuzzer-no-link)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/pixmap_png.cpp PROPERTIES
    COMPILE_DEFINITIONS FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()
