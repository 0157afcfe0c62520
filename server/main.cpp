// tessaline-server: the barcode web service. Binds to loopback unless told
// otherwise, serves on a pool of worker threads, logs one line a request on
// stderr and ends cleanly on SIGTERM or SIGINT.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <httplib.h>
#include <tessaline/tessaline.hpp>

#include "server/render_pool.h"
#include "server/service.h"

namespace {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;
    int threads = 0; // render threads; 0: one a core
    int connections = 128;
    int keepAlive = 100;
};

constexpr const char* kUsage = R"(Usage: tessaline-server [--listen ADDR:PORT] [--threads N] [--connections N]
                        [--keep-alive N]
       tessaline-server --help | --version

Serves barcodes over HTTP:
  GET /barcode?type=ean13&text=590123412345&format=png   the image
  GET /info?type=...&text=...                            the symbol's report (JSON)
  GET /types                                             the symbologies (JSON)
  GET /resolve?type=NAME                                 the type a name selects
  GET /healthz                                           liveness
  GET /                                                  the page

  --listen ADDR:PORT  address to serve on (default 127.0.0.1:8080; port 0
                      picks a free one); [::1]:PORT for IPv6
  --threads N         threads that draw symbols (default: one a processor core)
  --connections N     connections served at once (default 128); more wait
  --keep-alive N      requests a connection may carry before it is closed
                      (default 100)

The address actually bound is printed on standard output. SIGTERM or
SIGINT lets the requests in flight finish, then the program exits 0.
)";

std::optional<int> ParseCount(const std::string& s, int lo, int hi)
{
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const int v = std::stoi(s);
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

bool ParseListen(const std::string& s, ServerOptions& o)
{
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string host = s.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        host = host.substr(1, host.size() - 2);
    }
    const auto port = ParseCount(s.substr(colon + 1), 0, 65535);
    if (!port) return false;
    o.host = host;
    o.port = *port;
    return true;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tessaline-server: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// One line a request, written whole: address, time, request line, status,
// bytes and milliseconds.
class CAccessLog {
public:
    static void Start() { Started() = std::chrono::steady_clock::now(); }

    void Write(const httplib::Request& req, const httplib::Response& res)
    {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - Started()).count();
        char when[32];
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        gmtime_r(&t, &tm);
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tm);
        std::string target = req.target.size() > 512 ? req.target.substr(0, 512) + "..." : req.target;
        for (char& c : target)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"') c = '?';
        char line[800];
        const int n = std::snprintf(line, sizeof line, "%s %s \"%s %s\" %d %zu %.2fms\n", req.remote_addr.c_str(),
                                    when, req.method.c_str(), target.c_str(), res.status, res.body.size(), ms);
        std::lock_guard lock(m_mutex);
        std::fwrite(line, 1, size_t(std::min<int>(n, int(sizeof line) - 1)), stderr);
    }

private:
    static std::chrono::steady_clock::time_point& Started()
    {
        thread_local std::chrono::steady_clock::time_point started;
        return started;
    }
    std::mutex m_mutex;
};

// Waits (a second at most) until the connections the kernel has completed
// are accepted: closing the socket would reset those, requests and all.
void DrainAcceptQueue(int listenSocket)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (listenSocket >= 0 && std::chrono::steady_clock::now() < deadline) {
        tcp_info info{};
        socklen_t size = sizeof info;
        // On a listening socket, the length of its accept queue.
        if (getsockopt(listenSocket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0 || info.tcpi_unacked == 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("tessaline-server %s\n", tessaline::Version());
            return 0;
        } else if (a == "--listen") {
            const auto v = value();
            if (!v || !ParseListen(*v, o)) return UsageError("--listen wants ADDR:PORT (127.0.0.1:8080)");
        } else if (a == "--threads") {
            const auto v = value();
            const auto n = v ? ParseCount(*v, 1, 256) : std::nullopt;
            if (!n) return UsageError("--threads wants 1 to 256");
            o.threads = *n;
        } else if (a == "--connections") {
            const auto v = value();
            const auto n = v ? ParseCount(*v, 1, 4096) : std::nullopt;
            if (!n) return UsageError("--connections wants 1 to 4096");
            o.connections = *n;
        } else if (a == "--keep-alive") {
            const auto v = value();
            const auto n = v ? ParseCount(*v, 1, 100000) : std::nullopt;
            if (!n) return UsageError("--keep-alive wants 1 to 100000");
            o.keepAlive = *n;
        } else {
            return UsageError("unknown argument " + a);
        }
    }
    const int threads = o.threads > 0 ? o.threads : int(std::max(1u, std::thread::hardware_concurrency()));

    // Signals go to one thread that waits for them; the workers never see
    // them. Blocked before any thread starts, so every thread inherits it.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // httplib gives each open connection a thread of its own for as long as
    // it is kept alive; the drawing itself goes to the render pool, one
    // thread a core, in the order of the requests.
    tessaline_server::CRenderPool renderers{size_t(threads)};
    httplib::Server server;
    const size_t connections = size_t(o.connections);
    server.new_task_queue = [connections] { return new httplib::ThreadPool(connections); };
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(size_t(o.keepAlive));
    server.set_payload_max_length(64 * 1024);
    server.set_tcp_nodelay(true);
    int listenSocket = -1;
    server.set_socket_options([&listenSocket](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket = sock;
    });

    CAccessLog log;
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        CAccessLog::Start();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_logger([&log](const httplib::Request& req, const httplib::Response& res) { log.Write(req, res); });
    tessaline_server::InstallRoutes(server, renderers);

    int port = o.port;
    if (port == 0) port = server.bind_to_any_port(o.host);
    else if (!server.bind_to_port(o.host, port)) port = -1;
    if (port <= 0) {
        std::fprintf(stderr, "tessaline-server: cannot listen on %s:%d\n", o.host.c_str(), o.port);
        return 1;
    }
    // The library listens with a backlog of 5; many clients connecting at
    // once want a longer queue than that.
    if (listenSocket >= 0) ::listen(listenSocket, SOMAXCONN);

    const bool v6 = o.host.find(':') != std::string::npos;
    std::printf("listening on http://%s%s%s:%d/\n", v6 ? "[" : "", o.host.c_str(), v6 ? "]" : "", port);
    std::fflush(stdout);

    // Stopping shuts the listening socket down rather than calling stop():
    // the accept loop then ends, but every connection accepted already is
    // still read and answered (stop() would drop those whose request has
    // not been read yet) before the workers are joined.
    std::atomic<bool> stopping{false};
    std::thread stopper([&stopping, &server, listenSocket, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (signal == SIGTERM || signal == SIGINT) {
            stopping = true;
            DrainAcceptQueue(listenSocket);
            if (listenSocket < 0 || ::shutdown(listenSocket, SHUT_RDWR) != 0) server.stop();
        }
    });
    const bool served = server.listen_after_bind() || stopping;
    // listen_after_bind has let the workers finish; wake the waiter if the
    // server ended by itself (SIGUSR1 is no stop signal for it).
    if (!stopping) pthread_kill(stopper.native_handle(), SIGUSR1);
    stopper.join();
    std::fprintf(stderr, "tessaline-server: stopped\n");
    return served ? 0 : 1;
}
