# The two sample loaders, each fed arbitrary bytes from memory.
vs_add_fuzzer(wav SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/audio_wav.cpp LIBS audio)
vs_add_fuzzer(ogg SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/audio_ogg.cpp LIBS audio)
