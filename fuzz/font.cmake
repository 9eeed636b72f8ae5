# The font loader chain (FreeType) fed arbitrary bytes as an embedded font file.
vs_add_fuzzer(font SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_fuzz.cpp LIBS gfx)
