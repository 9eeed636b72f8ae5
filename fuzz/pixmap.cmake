# One fuzz target per picture loader: fuzz_png, fuzz_jpeg, fuzz_bmp, fuzz_tga.
foreach(kind Png Jpeg Bmp Tga)
  string(TOLOWER ${kind} name)
  vs_add_fuzzer(${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/pixmap_fuzz.cpp LIBS gfx)
  target_compile_definitions(fuzz_${name} PRIVATE PIXMAP_LOADER=${kind})
endforeach()
