# Pixmap and picture-loader tests; the malformed files live in pixmap_files/.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
add_library(pixmap_samples STATIC ${CMAKE_CURRENT_LIST_DIR}/pixmap_samples.cpp)
target_include_directories(pixmap_samples PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pixmap_samples PUBLIC gfx PNG::PNG JPEG::JPEG ZLIB::ZLIB)

vs_add_test(pixmap_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pixmap_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pixmap_png_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixmap_jpeg_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixmap_bmp_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pixmap_tga_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixmap_loader_test.cpp
  LIBS gfx pixmap_samples)
target_compile_definitions(pixmap_tests PRIVATE
  PIXMAP_FILES_DIR="${CMAKE_CURRENT_LIST_DIR}/pixmap_files"
  FUZZ_CORPUS_DIR="${PROJECT_SOURCE_DIR}/fuzz/corpus")

# Writes the fuzz seeds and the malformed files kept in pixmap_files/ (run by hand when
# they need making again).
add_executable(pixmap_make_files ${CMAKE_CURRENT_LIST_DIR}/pixmap_make_files.cpp)
target_link_libraries(pixmap_make_files PRIVATE pixmap_samples)
