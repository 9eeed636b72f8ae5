// Conventions every subsystem shares: framework text, the failure types and the
// guard that turns an uncaught failure into its text on standard output and exit code -1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Framework text is 16-bit; where it meets bytes each character gives its low 8 bits.
std::string TextToBytes(std::u16string_view text);
std::u16string BytesToText(std::string_view bytes);
// Framework text as UTF-8 for the platform (titles, boxes, typed text, helper programs):
// a surrogate pair is one character; a lone surrogate, and any byte sequence that is not
// UTF-8 (cut short, overlong, a surrogate or beyond U+10FFFF), becomes U+FFFD.
std::string TextToUtf8(std::u16string_view text);
std::u16string Utf8ToText(std::string_view utf8);

// A programming error or an unusable operation, carrying its message
// ("Stream is not readable", "Too many hook ids", ...).
class TRuntimeError : public std::runtime_error {
 public:
  explicit TRuntimeError(const std::string& message) : std::runtime_error(message) {}
};

class TStreamException : public std::runtime_error {
 public:
  explicit TStreamException(const std::string& message) : std::runtime_error(message) {}
};

class TStreamReadException : public TStreamException {
 public:
  TStreamReadException() : TStreamException("Error reading from stream") {}
};

class TStreamWriteException : public TStreamException {
 public:
  TStreamWriteException() : TStreamException("Error writing to stream") {}
};

// Raised by an abstract operation that was called.
[[noreturn]] void AbstractMethodCalled();

// Runs a program's main routine; a failure nothing caught prints its text to
// standard output and ends the process with exit code -1.
int RunGuarded(int (*main_routine)());
