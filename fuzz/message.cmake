# The message framing of the message host, fed arbitrary bytes in pieces of any size.
vs_add_fuzzer(message SOURCES ${CMAKE_CURRENT_LIST_DIR}/message_fuzz.cpp LIBS stream)
