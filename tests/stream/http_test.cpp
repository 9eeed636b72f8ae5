// HTTP and HTTPS streams against a real server on 127.0.0.1 (http_server.py), one plain and
// one with a self-signed certificate made for the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "stream/http_stream.h"
#include "stream/socket_stream.h"
#include "stream/stream.h"
#include "tests/spawned_child.h"

namespace {

std::string Body() {
  std::string b;
  for (int i = 0; i < 400; ++i)
    for (int c = 0; c < 256; ++c) b += static_cast<char>(c);
  return b;
}

std::string Loaded(const TUrl& url) {
  const std::vector<uint8_t> bytes = LoadBytes(url);
  return std::string(bytes.begin(), bytes.end());
}

class Http : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Proxies named in the environment must not see loopback traffic.
    setenv("http_proxy", "http://proxy.invalid:3128", 1);
    setenv("https_proxy", "http://proxy.invalid:3128", 1);
    std::string pattern = ::testing::TempDir() + "http_test_XXXXXX";
    folder = ::mkdtemp(pattern.data()) ? pattern : ::testing::TempDir();
    plain = std::make_unique<TSpawnedChild>(std::vector<std::string>{"python3", HTTP_SERVER});
    tls = std::make_unique<TSpawnedChild>(std::vector<std::string>{"python3", HTTP_SERVER, "--tls", folder});
    plain_port = plain->ReadLine();
    tls_port = tls->ReadLine();
  }
  static void TearDownTestSuite() {
    plain.reset();
    tls.reset();
    std::filesystem::remove_all(folder);
  }
  void SetUp() override {
    ASSERT_FALSE(plain_port.empty()) << "expected the HTTP server to start and print its port";
    ASSERT_FALSE(tls_port.empty()) << "expected the HTTPS server to make its certificate and start";
  }
  static std::u16string Url(const std::string& path, bool secure = false) {
    const std::string s = (secure ? "https::127.0.0.1:" + tls_port : "http::127.0.0.1:" + plain_port) + path;
    return std::u16string(s.begin(), s.end());
  }
  static THttpOptions Trusting() {
    THttpOptions o;
    const std::string cert = folder + "/cert.pem";
    o.ca_file = std::u16string(cert.begin(), cert.end());
    return o;
  }

  static inline std::unique_ptr<TSpawnedChild> plain, tls;
  static inline std::string plain_port, tls_port, folder;
};

}  // namespace

TEST_F(Http, ABodyReadsThroughTheFactoryChainAsAFileWould) {
  EXPECT_EQ(Body(), Loaded(Url("/file")));
  auto s = std::dynamic_pointer_cast<THttpStream>(OpenReadStream(Url("/file")));
  ASSERT_TRUE(s) << "expected an HTTP stream from the http:: prefix";
  EXPECT_EQ(200, s->Status());
  EXPECT_EQ(102400, s->ContentLength());
  EXPECT_EQ(u"application/octet-stream", s->ContentType());
  auto text = OpenReadStream(Url("/text"));
  ASSERT_TRUE(text);
  EXPECT_EQ(u"first line", text->ReadLine());
  EXPECT_EQ(u"second line", text->ReadLine());
  EXPECT_EQ(u"third", text->ReadLine());
  EXPECT_TRUE(text->Eof());
}

TEST_F(Http, AChunkedBodyArrivesWhole) {
  auto s = THttpStream::Open(Url("/chunked"));
  ASSERT_TRUE(s);
  EXPECT_EQ(-1, s->ContentLength()) << "a chunked body announces no length";
  EXPECT_EQ(Body(), Loaded(TUrl(TStreamPtr(s))));
}

TEST_F(Http, RedirectsAreFollowedAndALoopGivesNull) {
  auto s = THttpStream::Open(Url("/redirect/3"));
  ASSERT_TRUE(s) << "expected three redirects to lead to /file";
  EXPECT_TRUE(s->EffectiveUrl().ends_with(u"/file"));
  EXPECT_EQ(Body(), Loaded(TUrl(TStreamPtr(s))));
  EXPECT_FALSE(OpenReadStream(Url("/loop"))) << "expected null for a redirect loop";
}

TEST_F(Http, AnAnswerOutside2xxGivesNull) {
  for (const char* code : {"404", "500", "301"})
    EXPECT_FALSE(OpenReadStream(Url(std::string("/status/") + code))) << "expected null for status " << code;
  auto empty = THttpStream::Open(Url("/status/204"));
  ASSERT_TRUE(empty) << "expected 204 to open";
  EXPECT_TRUE(empty->Eof());
}

TEST_F(Http, ABodyCutShortRaisesAReadErrorRatherThanEndingQuietly) {
  for (const char* path : {"/cut", "/cut-chunked"}) {
    auto s = OpenReadStream(Url(path));
    ASSERT_TRUE(s) << path << ": the headers came whole";
    std::string buffer(102400, '\0');
    EXPECT_THROW(s->ReadBytes(buffer.data(), 102400), TStreamReadException) << path;
    EXPECT_THROW(LoadBytes(Url(path)), TStreamReadException) << path;
  }
  // The same over TLS, whose closing writes to a connection the server has closed.
  auto s = THttpStream::Open(Url("/cut", true), Trusting());
  ASSERT_TRUE(s);
  std::string buffer(102400, '\0');
  EXPECT_THROW(s->ReadBytes(buffer.data(), 102400), TStreamReadException);
}

TEST_F(Http, TimeoutsGiveNullBeforeTheAnswerAndAReadErrorAfter) {
  THttpOptions quick;
  quick.timeout = 300;
  EXPECT_FALSE(THttpStream::Open(Url("/silent"), quick)) << "expected null when no answer comes";
  auto s = THttpStream::Open(Url("/stall"), quick);
  ASSERT_TRUE(s) << "the headers of /stall come at once";
  std::string buffer(102400, '\0');
  EXPECT_THROW(s->ReadBytes(buffer.data(), 102400), TStreamReadException);
}

TEST_F(Http, RefusedUnresolvableAndWriteableOpensGiveNull) {
  const int32_t free_port = TServerSocket::Listen(0, u"127.0.0.1")->Port();  // let go at once
  const std::string refused = "http::127.0.0.1:" + std::to_string(free_port) + "/file";
  EXPECT_FALSE(OpenReadStream(std::u16string(refused.begin(), refused.end()))) << "nothing listens there";
  EXPECT_FALSE(OpenReadStream(u"http::no-such-host.invalid/file"));
  EXPECT_FALSE(OpenWriteStream(Url("/file"))) << "HTTP streams only read";
  EXPECT_FALSE(OpenReadStream(u"http::")) << "no host";
  EXPECT_FALSE(THttpStream::Open(u"ftp://127.0.0.1/file")) << "only http and https";
}

TEST_F(Http, HttpsOpensWhenTheCertificateIsTrustedAndOnlyThen) {
  EXPECT_FALSE(THttpStream::Open(Url("/file", true), THttpOptions{})) << "a self-signed certificate not trusted";
  auto s = THttpStream::Open(Url("/file", true), Trusting());
  ASSERT_TRUE(s) << "expected the HTTPS server with its certificate trusted";
  EXPECT_EQ(Body(), Loaded(TUrl(TStreamPtr(s))));
  const THttpOptions before = HttpDefaults();
  HttpDefaults() = Trusting();
  const std::string by_name = "https::localhost:" + tls_port + "/chunked";
  EXPECT_EQ(Body(), Loaded(std::u16string(by_name.begin(), by_name.end())))
      << "expected the prefix to open with the trust set for the program";
  HttpDefaults() = before;
  EXPECT_FALSE(OpenReadStream(Url("/file", true))) << "the trust is gone again";
}
