// HTTP and HTTPS downloads as streams, over libcurl: "http::host[:port]/path" and
// "https::host[:port]/path" open through the factory chain like any other URL. Redirects are
// followed; an answer outside 2xx, a certificate not trusted, a redirect loop or a timeout
// gives null. The body is read as it arrives; a body cut short raises TStreamReadException.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "stream/stream.h"

struct THttpOptions {
  int32_t timeout = 30000;   // ms for the connection, then for the answer, then for each read
  int32_t max_redirects = 10;
  // A PEM file of certificates trusted for HTTPS besides the system's (a server's own
  // self-signed certificate, a private authority). Empty: the system's only.
  std::u16string ca_file;
};

// What the "http::" and "https::" prefixes open with; a program sets its trust here once.
THttpOptions& HttpDefaults();

struct THttpTransfer;

class THttpStream : public TStream {
 public:
  ~THttpStream() override;
  // `url` in the stream layer's form ("https::host/path") or with "://". Null as above, and for
  // a name that does not resolve or a connection refused.
  static std::shared_ptr<THttpStream> Open(const std::u16string& url, const THttpOptions& options = HttpDefaults());

  bool Eof() override;   // waits for the next bytes or the end, as a read would
  int64_t Size() override;  // the announced length, 0 when none was
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;  // 0 at the end

  int32_t Status() const { return _status; }  // the final answer's code, 200 ...
  int64_t ContentLength() const { return _length; }  // -1 when not announced (chunked)
  std::u16string ContentType() const { return _type; }
  std::u16string EffectiveUrl() const { return _effective; }  // where redirects led

 private:
  bool Fill();  // waits for bytes or the end; raises when the transfer broke off

  std::unique_ptr<THttpTransfer> _transfer;
  int32_t _status = 0;
  int64_t _length = -1;
  std::u16string _type, _effective;
};
