// HttpGet against a real server on loopback: libcurl here, WinHTTP in the
// Windows build (under wine).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/HttpClient.h"
#include "tests/platform/HttpTestServer.h"

namespace pendrak {
namespace {

using httptest::Route;

class CCollect : public IHttpBodySink {
public:
    bool OnBody(const char* data, size_t size) override {
        m_body.append(data, size);
        return true;
    }
    void OnProgress(int64_t received, int64_t total) override {
        m_last = received;
        m_total = total;
    }
    std::string m_body;
    int64_t m_last = 0, m_total = 0;
};

std::string Lines(int count) {
    std::string text = "RADIO_ID,CALLSIGN\n";
    for (int i = 0; i < count; ++i) text += std::to_string(1000000 + i) + ",CALL" + std::to_string(i) + "\n";
    return text;
}

HttpResult Get(const std::string& url, CCollect& sink, int stallMs = 5000) {
    HttpRequest request;
    request.strUrl = url;
    request.strUserAgent = "pendrak-test/1";
    request.nStallTimeoutMs = stallMs;
    return HttpGet(request, sink);
}

TEST(HttpGet, AnswersAsTheServerSays) {
    httptest::CHttpTestServer server;
    const std::string list = Lines(3000);
    server.Set("/list", Route{200, list, "\"v7\"", "Tue, 08 Dec 2026 03:00:00 GMT"});
    Route gzip{200, list};
    gzip.bGzip = true;
    server.Set("/gzip", gzip);
    server.Set("/moved", Route{301, "", "", "", "/list"});
    server.Set("/found", Route{302, "", "", "", server.Url("/gzip")});
    server.Set("/gone", Route{404, "<html>not here</html>"});
    server.Set("/broken", Route{500, "oops"});
    server.Set("/loop", Route{302, "", "", "", "/loop"});
    Route cut{200, list};
    cut.nSendOnly = list.size() / 3;
    server.Set("/cut", cut);
    Route cutGzip = cut;
    cutGzip.bGzip = true;
    server.Set("/cutgzip", cutGzip);

    struct Case {
        const char* path;
        HttpFailure failure;
        int status;
        bool wholeBody;
    } cases[] = {
        {"/list", HttpFailure::none, 200, true},
        {"/gzip", HttpFailure::none, 200, true},
        {"/moved", HttpFailure::none, 200, true},
        {"/found", HttpFailure::none, 200, true},
        {"/gone", HttpFailure::status, 404, false},
        {"/broken", HttpFailure::status, 500, false},
        {"/loop", HttpFailure::redirects, -1, false},  // WinHTTP gives no last status
        {"/cut", HttpFailure::cutShort, 200, false},
        {"/cutgzip", HttpFailure::cutShort, 200, false},
    };
    for (const Case& c : cases) {
        CCollect sink;
        const HttpResult r = Get(server.Url(c.path), sink);
        EXPECT_EQ(r.failure, c.failure) << c.path << ": " << HttpFailureText(r);
        if (c.status >= 0) {
            EXPECT_EQ(r.nStatus, c.status) << c.path;
        }
        EXPECT_EQ(sink.m_body == list, c.wholeBody) << c.path << " got " << sink.m_body.size();
        // An error page never reaches the sink.
        if (c.failure == HttpFailure::status) {
            EXPECT_EQ(sink.m_body, "") << c.path;
        }
    }
    CCollect sink;
    const HttpResult r = Get(server.Url("/list"), sink);
    EXPECT_EQ(r.strEtag, "\"v7\"");
    EXPECT_EQ(r.strLastModified, "Tue, 08 Dec 2026 03:00:00 GMT");
    EXPECT_EQ(r.nContentLength, static_cast<int64_t>(list.size()));
    EXPECT_EQ(sink.m_last, static_cast<int64_t>(list.size()));
    EXPECT_EQ(sink.m_total, static_cast<int64_t>(list.size()));
    EXPECT_NE(HttpFailureText(Get(server.Url("/broken"), sink)).find("500"), std::string::npos);
    EXPECT_NE(server.Requests()[0].find("User-Agent: pendrak-test/1\r\n"), std::string::npos);
}

TEST(HttpGet, StallEndsInTimeOutOrStop) {
    httptest::CHttpTestServer server;
    Route stall{200, Lines(100)};
    stall.nSendOnly = 40;
    stall.nStallMs = 2000;
    server.Set("/stall", stall);
    CCollect sink;
    const HttpResult r = Get(server.Url("/stall"), sink, 300);
    EXPECT_EQ(r.failure, HttpFailure::timeout) << HttpFailureText(r);
    EXPECT_NE(HttpFailureText(r).find("127.0.0.1"), std::string::npos);

    std::atomic<bool> stop{false};
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    HttpRequest request;
    request.strUrl = server.Url("/stall");
    request.pStop = &stop;
    EXPECT_EQ(HttpGet(request, sink).failure, HttpFailure::stopped);
    stopper.join();
}

TEST(HttpGet, NamesHostAndCause) {
    int port = 0;
    {
        httptest::CHttpTestServer closed;  // a port nobody listens on once it is gone
        port = closed.Port();
    }
    CCollect sink;
    const HttpResult refused = Get("http://127.0.0.1:" + std::to_string(port) + "/x", sink);
    EXPECT_EQ(refused.failure, HttpFailure::refused) << HttpFailureText(refused);
    EXPECT_NE(HttpFailureText(refused).find("127.0.0.1: the connection was refused"), std::string::npos);
    EXPECT_EQ(Get("ftp://127.0.0.1/x", sink).failure, HttpFailure::badUrl);
    EXPECT_EQ(HttpUrlHost("http://user:pw@example.org:8080/x"), "example.org");
}

#ifndef _WIN32
// A certificate made now, served by Python's own HTTPS server: trusted when
// its CA is named, refused against the system's store.
TEST(HttpGet, HttpsChecksTheCertificate) {
    const std::string dir = ::testing::TempDir() + "pendrak-https-" + std::to_string(getpid());
    const std::string make = "mkdir -p " + dir + " && cd " + dir +
                             " && printf 'RADIO_ID\\n1\\n' > user.csv && openssl req -x509 "
                             "-newkey rsa:2048 -nodes -keyout k.pem -out c.pem -days 1 -subj "
                             "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string serve =
        "cd " + dir + " && /usr/bin/python3 -c \"import http.server, ssl\n"
        "class H(http.server.SimpleHTTPRequestHandler):\n    def log_message(self, *a): pass\n"
        "s = http.server.HTTPServer(('127.0.0.1', 0), H)\ns.timeout = 20\n"
        "c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\nc.load_cert_chain('c.pem', 'k.pem')\n"
        "s.socket = c.wrap_socket(s.socket, server_side=True)\n"
        "print(s.server_address[1], flush=True)\nfor _ in range(2): s.handle_request()\"";
    FILE* server = popen(serve.c_str(), "r");
    ASSERT_NE(server, nullptr);
    int port = 0;
    ASSERT_EQ(std::fscanf(server, "%d", &port), 1);
    HttpRequest request;
    request.strUrl = "https://127.0.0.1:" + std::to_string(port) + "/user.csv";
    request.strExtraCaFile = dir + "/c.pem";
    CCollect trusted, untrusted;
    const HttpResult ok = HttpGet(request, trusted);
    request.strExtraCaFile.clear();
    const HttpResult refused = HttpGet(request, untrusted);
    pclose(server);
    std::system(("rm -rf " + dir).c_str());
    EXPECT_TRUE(ok.Ok()) << HttpFailureText(ok);
    EXPECT_EQ(trusted.m_body, "RADIO_ID\n1\n");
    EXPECT_EQ(refused.failure, HttpFailure::tls) << HttpFailureText(refused);
    EXPECT_EQ(untrusted.m_body, "");
}
#endif

}  // namespace
}  // namespace pendrak
