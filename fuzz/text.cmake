# Text decoding: arbitrary bytes through a text stream in each encoding.
vs_add_fuzzer(text SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/text_fuzz.cpp LIBS stream)
