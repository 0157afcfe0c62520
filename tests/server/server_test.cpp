// The web service as a client sees it: the built program on a free
// loopback port, asked through httplib's client.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <png.h>

#include "server/params.h"
#include "server/render_pool.h"
#include "server/service.h"
#include "tests/support/scan.h"

namespace {

// The server program, started with `--listen 127.0.0.1:0`; the port comes
// from the line it prints once it listens.
class CServerProcess {
public:
    CServerProcess()
    {
        char logName[] = "/tmp/tessaline-server-log-XXXXXX";
        const int logFd = mkstemp(logName);
        m_logPath = logName;
        int out[2];
        if (logFd < 0 || pipe(out) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            dup2(logFd, 2);
            close(out[0]);
            execl(TESSALINE_SERVER_PROGRAM, TESSALINE_SERVER_PROGRAM, "--listen", "127.0.0.1:0", "--threads", "2",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        close(logFd);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.rfind("listening on http://127.0.0.1:", 0) == 0 && colon != std::string::npos)
            m_port = std::atoi(line.c_str() + colon + 1);
    }
    ~CServerProcess()
    {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        std::remove(m_logPath.c_str());
    }

    int Port() const { return m_port; }
    httplib::Client Client() const
    {
        httplib::Client client("127.0.0.1", m_port);
        client.set_read_timeout(20, 0);
        return client;
    }
    // Sends SIGTERM and returns the exit status (-1 when it did not exit
    // normally within ten seconds).
    int Terminate()
    {
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    std::string Log() const
    {
        std::ifstream in(m_logPath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
    bool m_exited = false;
    std::string m_logPath;
};

CServerProcess& Server()
{
    static CServerProcess server;
    return server;
}

std::string Get(const std::string& target, int& status, std::string* contentType = nullptr,
                const httplib::Headers& headers = {}, httplib::Headers* answered = nullptr)
{
    auto client = Server().Client();
    auto res = client.Get(target.c_str(), headers);
    if (!res) {
        status = -1;
        return {};
    }
    status = res->status;
    if (contentType) *contentType = res->get_header_value("Content-Type");
    if (answered) *answered = res->headers;
    return res->body;
}

// A PNG as grey pixels through libpng's simplified reader.
GrayImage DecodePng(const std::string& bytes)
{
    GrayImage image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return image;
    png.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) return image;
    image.width = int(png.width);
    image.height = int(png.height);
    image.pixels = std::move(pixels);
    return image;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(Server().Port(), 0) << "the server did not start"; }
};

TEST_F(ServerTest, EveryFormatAnswersItsImage)
{
    struct Case {
        const char* format;
        const char* mime;
        std::string magic;
    };
    const Case cases[] = {
        {"png", "image/png", "\x89PNG\r\n\x1a\n"}, {"svg", "image/svg+xml", "<?xml"},
        {"pdf", "application/pdf", "%PDF-"},       {"eps", "application/postscript", "%!PS-Adobe"},
        {"jpg", "image/jpeg", "\xFF\xD8\xFF"},     {"bmp", "image/bmp", "BM"},
    };
    for (const Case& c : cases) {
        int status = 0;
        std::string type;
        httplib::Headers headers;
        const std::string body =
            Get(std::string("/barcode?type=ean13&text=590123412345&format=") + c.format, status, &type, {}, &headers);
        EXPECT_EQ(status, 200) << c.format << ": " << body;
        EXPECT_EQ(type, c.mime) << c.format;
        EXPECT_EQ(body.substr(0, c.magic.size()), c.magic) << c.format;
        EXPECT_EQ(headers.find("Cache-Control")->second, "public, max-age=31536000, immutable") << c.format;
        EXPECT_EQ(headers.count("ETag"), 1u) << c.format;
    }
}

TEST_F(ServerTest, PngReadsBackWithBothDecoders)
{
    struct Case {
        const char* query;
        const char* zxingFormat;
        const char* expected;
    };
    const Case cases[] = {
        {"type=ean13&text=590123412345", "EAN13", "5901234123457"},
        {"type=EAN%208&text=9638507", "EAN8", "96385074"},
        {"type=upca&text=03600029145", "UPCA", "036000291452"},
        {"type=Code%20128&text=Hello%20123", "Code128", "Hello 123"},
        {"type=code39&text=TESSA-39", "Code39", "TESSA-39"},
        {"type=ean13&text=400638133393&module=3&rotate=90", "EAN13", "4006381333931"},
        {"type=ean13&text=590123412345&size=400x200", "EAN13", "5901234123457"},
        {"type=ean13&text=590123412345&fg=123456&bg=%23FFFFEE&bilevel=1&interlace=1", "EAN13", "5901234123457"},
    };
    for (const Case& c : cases) {
        int status = 0;
        const std::string body = Get(std::string("/barcode?") + c.query, status);
        ASSERT_EQ(status, 200) << c.query << ": " << body;
        const GrayImage image = DecodePng(body);
        ASSERT_GT(image.width, 0) << c.query;
        EXPECT_EQ(ScanZxing(image, c.zxingFormat).text, c.expected) << c.query;
        const std::string zbar = ScanZbar(image).text;
        // zbar reports UPC A as the EAN 13 it is part of.
        EXPECT_TRUE(zbar == c.expected || zbar == std::string("0") + c.expected) << c.query << ": " << zbar;
    }
}

TEST_F(ServerTest, RefusalsAreJsonWithTheirStatus)
{
    const std::string longText(5000, '1');
    struct Case {
        std::string query;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"/barcode?type=ean13&text=12345abc", 400, "invalid text"},
        {"/barcode?type=ean13&text=", 400, "invalid text"},
        {"/barcode?type=nosuchtype&text=1", 400, "bad parameter"},
        {"/barcode?type=99&text=1", 400, "bad parameter"},
        {"/barcode?type=ean13&colour=red", 400, "unknown parameter"},
        {"/barcode?type=ean13&format=gif", 400, "bad parameter"},
        {"/barcode?type=ean13&rotate=45", 400, "bad parameter"},
        {"/barcode?type=ean13&fg=12345", 400, "bad parameter"},
        {"/barcode?type=ean13&font=Arial", 400, "bad parameter"},
        {"/barcode?type=ean13&module=0", 400, "bad parameter"},
        {"/barcode?type=ean13&width=300", 400, "bad parameter"},
        {"/barcode?type=ean13&size=0x100", 400, "bad parameter"},
        {"/barcode?type=ean13&text=1&text=2", 400, "bad parameter"},
        {"/barcode?type=ean13&showtext=maybe", 400, "bad parameter"},
        {"/barcode?type=ean13&size=30x10", 400, "does not fit"},
        {"/barcode?type=28&text=(17)991332", 422, "gs1"},
        {"/barcode?type=28&text=(01)12345678901232", 422, "gs1"},
        {"/barcode?type=code128&text=" + longText, 413, "too large"},
        {"/barcode?type=ean13&size=5000x5000", 413, "too large"},
        {"/barcode?type=ean13&width=40000&height=10", 413, "too large"},
        // Sized from the symbol: 2000 Code 128 digits at 100 pixels a module
        // (beyond 32767 a side), an EAN 13 of 4520 x 4000 or more pixels
        // (beyond 2^24) and one beyond what the library makes at all.
        {"/barcode?type=code128c&module=100&text=" + std::string(2000, '7'), 413, "too large"},
        {"/barcode?type=ean13&module=40&barheight=100", 413, "too large"},
        {"/barcode?type=ean13&module=100&barheight=200", 413, "too large"},
        {"/info?type=ean13&nonsense=1", 400, "unknown parameter"},
        {"/types?x=1", 400, "unknown parameter"},
        {"/nowhere", 404, "not found"},
    };
    for (const Case& c : cases) {
        int status = 0;
        std::string type;
        httplib::Headers headers;
        const std::string body = Get(c.query, status, &type, {}, &headers);
        EXPECT_EQ(status, c.status) << c.query.substr(0, 80) << ": " << body;
        EXPECT_EQ(type, "application/json") << c.query.substr(0, 80);
        EXPECT_NE(body.find(std::string("\"error\":\"") + c.error + "\""), std::string::npos)
            << c.query.substr(0, 80) << ": " << body;
        EXPECT_NE(body.find("\"reason\":\""), std::string::npos) << body;
        EXPECT_EQ(headers.count("ETag"), 0u) << c.query.substr(0, 80);
        EXPECT_EQ(headers.count("Cache-Control"), 1u) << c.query.substr(0, 80);
    }
}

TEST_F(ServerTest, SameRequestSameBytesAndNotModified)
{
    // Spelled differently, the same image: one tag, the same bytes.
    const char* same[] = {
        "/barcode?type=1&text=590123412345&format=pdf",
        "/barcode?text=590123412345&format=PDF&type=EAN%2013&module=2&rotate=0&fg=000000&quietzones=on",
    };
    std::string firstBody, firstTag;
    for (const char* q : same) {
        int status = 0;
        httplib::Headers headers;
        const std::string body = Get(q, status, nullptr, {}, &headers);
        ASSERT_EQ(status, 200) << q;
        const std::string tag = headers.find("ETag")->second;
        if (firstTag.empty()) {
            firstBody = body;
            firstTag = tag;
            // The PDF carries no time of writing that would tell runs apart.
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        } else {
            EXPECT_EQ(tag, firstTag) << q;
            EXPECT_TRUE(body == firstBody) << q;
        }
    }
    int status = 0;
    httplib::Headers headers;
    const std::string body = Get(same[0], status, nullptr, {{"If-None-Match", "\"x\", " + firstTag}}, &headers);
    EXPECT_EQ(status, 304);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers.find("ETag")->second, firstTag);

    Get("/barcode?type=1&text=590123412346&format=pdf", status, nullptr, {}, &headers);
    EXPECT_NE(headers.find("ETag")->second, firstTag);
    Get("/barcode?type=1&text=590123412345&format=pdf", status, nullptr, {{"If-None-Match", "\"other\""}});
    EXPECT_EQ(status, 200);
}

TEST_F(ServerTest, InfoTypesResolveAndHealth)
{
    struct Case {
        const char* target;
        int status;
        const char* contains;
    };
    const Case cases[] = {
        {"/info?type=ean13&text=590123412345", 200, "\"checksum\":7"},
        {"/info?type=ean13&text=590123412345", 200, "\"valid\":true"},
        {"/info?type=ean13&text=12345abc", 200, "\"valid\":false"},
        {"/info?type=isbn&text=3-16-148410", 200, "\"typeName\":\"ISBN\""},
        {"/types", 200, "{\"id\":1,\"name\":\"EAN 13\",\"sampleText\":\"123456789012\",\"group\":\"EAN/UPC\"}"},
        {"/resolve?type=code%20128", 200, "\"name\":\"Code 128\""},
        {"/resolve?type=ean-13", 200, "\"id\":1"},
        {"/resolve?type=qr", 404, "\"error\":\"unknown type\""},
        {"/healthz", 200, "\"status\":\"ok\""},
    };
    for (const Case& c : cases) {
        int status = 0;
        const std::string body = Get(c.target, status);
        EXPECT_EQ(status, c.status) << c.target << ": " << body;
        EXPECT_NE(body.find(c.contains), std::string::npos) << c.target << ": " << body;
    }
    auto client = Server().Client();
    auto posted = client.Post("/barcode", "type=ean13", "application/x-www-form-urlencoded");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 405);
    EXPECT_EQ(posted->get_header_value("Allow"), "GET, HEAD");

    int status = 0;
    const std::string types = Get("/types", status);
    size_t entries = 0;
    for (size_t at = types.find("\"group\":"); at != std::string::npos; at = types.find("\"group\":", at + 1)) ++entries;
    EXPECT_EQ(entries, tessaline::Types().size());
}

TEST_F(ServerTest, PageFollowsTheLanguageAndLoadsNothingElse)
{
    struct Case {
        const char* acceptLanguage;
        const char* target;
        const char* lang;
    };
    const Case cases[] = {
        {"de-DE,de;q=0.9,en;q=0.8", "/", "de"},
        {"en-GB,en;q=0.9", "/", "en"},
        {"fr-FR,fr;q=0.9,de;q=0.5", "/", "de"},
        {"", "/", "en"},
        {"de", "/?lang=en", "en"},
    };
    for (const Case& c : cases) {
        int status = 0;
        std::string type;
        httplib::Headers send;
        if (*c.acceptLanguage) send.emplace("Accept-Language", c.acceptLanguage);
        const std::string page = Get(c.target, status, &type, send);
        EXPECT_EQ(status, 200);
        EXPECT_EQ(type, "text/html; charset=utf-8");
        EXPECT_NE(page.find(std::string("<html lang=\"") + c.lang + "\">"), std::string::npos) << c.acceptLanguage;
        for (const char* external : {"src=\"http", "href=\"http", "@import", "url(http"})
            EXPECT_EQ(page.find(external), std::string::npos) << external;
    }
}

TEST_F(ServerTest, OneLogLineARequest)
{
    int status = 0;
    Get("/healthz?probe=logline", status);
    std::string log;
    for (int i = 0; i < 100 && log.find("/healthz?probe=logline") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        log = Server().Log();
    }
    const size_t at = log.find("\"GET /healthz?probe=logline\" 200 ");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.rfind("127.0.0.1 ", at), log.rfind('\n', at) + 1);
}

// A second server: SIGTERM while a large image is being made.
TEST(ServerStop, TermFinishesTheRequestInFlightAndExitsZero)
{
    CServerProcess server;
    ASSERT_GT(server.Port(), 0);
    // The request is on its way (sent, perhaps not read yet) when the
    // signal comes.
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(server.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request =
        "GET /barcode?type=code128&text=Tessaline&size=4000x4000&format=png HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Connection: close\r\n\r\n";
    ASSERT_EQ(write(sock, request.data(), request.size()), ssize_t(request.size()));
    auto inFlight = std::async(std::launch::async, [sock] {
        std::string answer;
        char buf[65536];
        for (ssize_t n; (n = read(sock, buf, sizeof buf)) > 0;) answer.append(buf, size_t(n));
        close(sock);
        return answer;
    });
    EXPECT_EQ(server.Terminate(), 0);
    const std::string answer = inFlight.get();
    EXPECT_EQ(answer.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_NE(answer.find("\r\n\r\n\x89PNG"), std::string::npos);
    EXPECT_NE(server.Log().find("\"GET /barcode?type=code128"), std::string::npos) << server.Log();
}

// --- the parts without sockets -------------------------------------------------

TEST(ServerParams, HeightIsTheImagesBesideWidthElseTheBars)
{
    using tessaline_server::QueryParams;
    struct Case {
        QueryParams params;
        int width, height;
        double barHeight, barHeightMm;
    };
    const Case cases[] = {
        {{{"width", "300"}, {"height", "120"}}, 300, 120, 0, 0},
        {{{"size", "300x120"}}, 300, 120, 0, 0},
        {{{"height", "40"}}, 0, 0, 40, 0},
        {{{"height", "15mm"}}, 0, 0, 0, 15},
        {{{"barheight", "12.5"}, {"size", "300x120"}}, 300, 120, 12.5, 0},
    };
    for (const Case& c : cases) {
        tessaline_server::RequestError error;
        const auto r = tessaline_server::ParseBarcodeRequest(c.params, error);
        ASSERT_TRUE(r) << error.reason;
        EXPECT_EQ(r->options.width, c.width);
        EXPECT_EQ(r->options.height, c.height);
        EXPECT_EQ(r->options.barHeight, c.barHeight);
        EXPECT_EQ(r->options.barHeightMm, c.barHeightMm);
    }
}

TEST(ServerParams, EntityTagsAndLanguages)
{
    const std::string tag = tessaline_server::EntityTag("k");
    struct Match {
        std::string header;
        bool matches;
    };
    const Match matches[] = {
        {tag, true}, {"W/" + tag, true}, {"\"a\", " + tag, true}, {"*", true}, {"\"a\"", false}, {"", false},
    };
    for (const Match& m : matches) EXPECT_EQ(tessaline_server::MatchesIfNoneMatch(m.header, tag), m.matches) << m.header;
    EXPECT_NE(tessaline_server::EntityTag("k2"), tag);

    const std::pair<const char*, const char*> languages[] = {
        {"de-AT", "de"}, {"en;q=0.9, de;q=0.8", "en"}, {"en;q=0.5, de-CH;q=0.7", "de"}, {"fr", "en"}, {"", "en"},
    };
    for (const auto& [header, lang] : languages)
        EXPECT_EQ(tessaline_server::LanguageFromAcceptLanguage(header), lang) << header;
}

TEST(ServerParams, CreationDatesAreFixed)
{
    struct Case {
        tessaline::Format format;
        std::string in, out;
    };
    const Case cases[] = {
        {tessaline::Format::Pdf, "<< /CreationDate (D:20261209031150Z) >>", "<< /CreationDate (D:20000101000000Z) >>"},
        {tessaline::Format::Eps, "%!PS\n%%CreationDate: Wed Dec  9 03:11:51 2026\n%%End",
         "%!PS\n%%CreationDate: Sat Jan  1 00:00:00 2000\n%%End"},
        {tessaline::Format::Png, "/CreationDate (D:20261209031150Z)", "/CreationDate (D:20261209031150Z)"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.in.begin(), c.in.end());
        tessaline_server::FixCreationDate(c.format, bytes);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.out);
    }
}

TEST(ServerRenderPool, RunsEveryJobAndPassesFailuresBack)
{
    tessaline_server::CRenderPool pool(2);
    std::vector<std::future<size_t>> clients;
    for (int i = 0; i < 8; ++i)
        clients.push_back(std::async(std::launch::async, [&pool, i] {
            size_t bytes = 0;
            pool.Run([&](tessaline::CRenderer& r) {
                bytes = r.Render("1", "40063813339" + std::to_string(i), tessaline::Format::Png, {}).bytes.size();
            });
            return bytes;
        }));
    for (auto& c : clients) EXPECT_GT(c.get(), 100u);
    try {
        pool.Run([](tessaline::CRenderer& r) { r.Render("1", "not digits", tessaline::Format::Png, {}); });
        ADD_FAILURE() << "an invalid text was drawn";
    } catch (const tessaline::CRenderError& e) {
        EXPECT_EQ(e.Kind(), tessaline::ErrorKind::InvalidText);
    }
}

TEST(ServerParams, RenderFailuresMapToTheirStatus)
{
    using tessaline::ErrorKind;
    const std::pair<ErrorKind, int> cases[] = {
        {ErrorKind::Usage, 400}, {ErrorKind::InvalidText, 400}, {ErrorKind::DoesNotFit, 400},
        {ErrorKind::Gs1, 422},   {ErrorKind::Limit, 413},       {ErrorKind::Write, 500},
    };
    for (const auto& [kind, status] : cases) {
        const auto e = tessaline_server::FromRenderError(tessaline::CRenderError(kind, "why"));
        EXPECT_EQ(e.status, status) << int(kind);
        EXPECT_EQ(e.reason, "why");
    }
}

} // namespace
