#include "gateway/posix/board_server.h"

#include <httplib.h>
#include <malloc.h>

#include <charconv>
#include <ctime>
#include <stdexcept>

#include "gateway/board_api.h"
#include "gateway/board_assets.h"
#include "gateway/board_events.h"
#include "gateway/posix/board_gate.h"
#include "gateway/posix/board_host.h"
#include "gateway/posix/board_http.h"
#include "gateway/posix/board_stream.h"
#include "gateway/posix/board_tls.h"
#include "gateway/posix/board_workers.h"

namespace velko::gateway {

namespace {

// Each event stream holds a worker as long as it lasts; these are left for the page and the API.
constexpr size_t kRequestWorkers = 8;
constexpr int kMaxStreams = 80;
// A worker that has had nothing to do for this long ends.
constexpr std::chrono::seconds kWorkerIdleLife{10};
// What one browser may send and how long it may take (docs/http.md, "Connections").
constexpr GateLimits kGateLimits{.headBytes = 8192,
                                 .idleTime = std::chrono::seconds(5),
                                 .headTime = std::chrono::seconds(5),
                                 .handshakeTime = std::chrono::seconds(5),
                                 .closingTime = std::chrono::seconds(1),
                                 .connections = 256,
                                 .connectionsPerAddress = 128};
constexpr StreamLimits kStreamLimits{
    .bodyBytes = 8192, .bodyTime = std::chrono::seconds(5), .writeTime = std::chrono::seconds(5)};
constexpr size_t kRequestsPerConnection = 100;
// How long an event stream waits before it sends a comment that keeps the connection open.
constexpr std::chrono::seconds kKeepAlive{15};

// The page loads nothing from another origin and runs no inline script.
const httplib::Headers kHeaders{
    {"Content-Security-Policy",
     "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self'; "
     "connect-src 'self'; font-src 'self'; object-src 'none'; base-uri 'none'; "
     "form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"}};

void send(httplib::Response& response, const BoardReply& reply) {
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(reply.body, reply.contentType.c_str());
}

QueryParameters parametersOf(const httplib::Request& request) {
    return {request.params.begin(), request.params.end()};
}

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

std::optional<int64_t> lastEventId(const httplib::Request& request) {
    if (!request.has_header("Last-Event-ID")) return std::nullopt;
    const std::string text = request.get_header_value("Last-Event-ID");
    int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc{} || end != text.data() + text.size() || id < 0) {
        throw BadParameter("Last-Event-ID: expected a call's id");
    }
    return id;
}

// A tag that changes with the content, so that a browser can ask whether its copy still holds.
std::string entityTag(std::string_view body) {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : body) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return "\"" + std::to_string(hash) + "\"";
}

// The path as a pattern that matches only itself.
std::string literalPattern(std::string_view path) {
    std::string pattern;
    for (const char c : path) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// The answer that refuses a request's head before the HTTP library reads it: 414 or 431.
std::string headRefusal(int status) {
    const BoardReply reply = errorReply(
        status, status == 414 ? "the request line is too long" : "the request's head is too long");
    std::string text = "HTTP/1.1 " + std::to_string(status) +
                       (status == 414 ? " URI Too Long" : " Request Header Fields Too Large") +
                       "\r\n";
    for (const auto& [name, value] : kHeaders) text += name + ": " + value + "\r\n";
    return text + "Cache-Control: no-store\r\nContent-Type: " + reply.contentType +
           "\r\nContent-Length: " + std::to_string(reply.body.size()) +
           "\r\nConnection: close\r\n\r\n" + reply.body;
}

}  // namespace

BoardServer::BoardServer(const BoardSettings& settings, std::string logPath, BoardFeed& feed)
    : logPath_(std::move(logPath)), feed_(feed), server_(std::make_unique<BoardHttp>()) {
    // Each of the many threads would otherwise get a heap of its own, and keep what it freed:
    // two heaps hold the gateway's memory under 40 MB with fifty browsers.
    mallopt(M_ARENA_MAX, 2);
    if (!settings.certFile.empty()) {
        tls_ = std::make_unique<TlsContext>(settings.certFile, settings.keyFile);
    }
    TcpSocket listener;
    try {
        listener = TcpSocket::listenOn(settings.address, settings.port);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string("the board ") + error.what());
    }
    server_->set_default_headers(kHeaders);
    server_->set_keep_alive_timeout(
        std::chrono::duration_cast<std::chrono::seconds>(kGateLimits.idleTime).count());
    server_->set_keep_alive_max_count(kRequestsPerConnection);
    server_->set_payload_max_length(kStreamLimits.bodyBytes);
    if (settings.password) {
        const std::string expected =
            httplib::make_basic_authentication_header("velko", *settings.password).second;
        server_->set_pre_routing_handler(
            [expected](const httplib::Request& request, httplib::Response& response) {
                if (sameText(request.get_header_value("Authorization"), expected)) {
                    return httplib::Server::HandlerResponse::Unhandled;
                }
                response.set_header("WWW-Authenticate", "Basic realm=\"velko\", charset=\"UTF-8\"");
                send(response, errorReply(401, "the board needs its password"));
                return httplib::Server::HandlerResponse::Handled;
            });
    } else {
        // Without a password only this machine reaches the board, by its own names.
        server_->set_pre_routing_handler(
            [address = settings.address](const httplib::Request& request,
                                         httplib::Response& response) {
                if (!request.has_header("Host") ||
                    isBoardHost(request.get_header_value("Host"), address)) {
                    return httplib::Server::HandlerResponse::Unhandled;
                }
                send(response, errorReply(421, "the board answers only to this machine's names"));
                return httplib::Server::HandlerResponse::Handled;
            });
    }
    route();
    const bool v6 = settings.address.find(':') != std::string::npos;
    url_ = std::string(settings.certFile.empty() ? "http" : "https") + "://" +
           (v6 ? "[" + settings.address + "]" : settings.address) + ":" +
           std::to_string(listener.local().port) + "/";
    // Its thread runs until the feed closes.
    broadcast_ = std::make_unique<BoardBroadcast>(logPath_, feed_);
    try {
        workers_ = std::make_unique<BoardWorkers>(
            kMaxStreams + kRequestWorkers, kWorkerIdleLife,
            [this](std::unique_ptr<BoardConnection> connection) { answer(std::move(connection)); });
        gate_ = std::make_unique<BoardGate>(
            std::move(listener), tls_ ? tls_->get() : nullptr, kGateLimits,
            [this](std::unique_ptr<BoardConnection> connection) {
                workers_->serve(std::move(connection));
            },
            headRefusal);
        gate_->start();
    } catch (...) {
        feed_.close();
        throw;
    }
}

// The event streams end with the feed, every other wait of a worker with stopped_; the gate
// goes first, so that it hands the workers nothing more.
BoardServer::~BoardServer() {
    feed_.close();
    stopping_ = true;
    stopped_.raise();
    server_->stopWriting();
    gate_->stop();
    workers_.reset();
    gate_.reset();
    broadcast_.reset();
}

void BoardServer::answer(std::unique_ptr<BoardConnection> connection) {
    bool keep = false;
    try {
        BoardStream stream(*connection, stopped_, kStreamLimits);
        const bool last = ++connection->answered >= kRequestsPerConnection || stopping_;
        keep = server_->answer(stream, last) && !stream.spent();
        stream.dropConsumed();
    } catch (...) {
        // The answer cannot go on (no memory, a part of it failed): its connection closes.
        keep = false;
    }
    try {
        gate_->giveBack(std::move(connection), keep);
    } catch (...) {
        // No memory to hand it back: it closes here.
    }
}

void BoardServer::route() {
    httplib::Server& server = *server_;
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const BadParameter& error) {
                send(response, errorReply(400, error.what()));
            } catch (const std::exception& error) {
                send(response, errorReply(503, error.what()));
            }
        });
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            send(response, errorReply(response.status, response.status == 404 ? "no such resource"
                                                                              : "request refused"));
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.Get("/api/calls", [this](const httplib::Request& request, httplib::Response& response) {
        send(response, callsReply(*openLogForReading(logPath_), parametersOf(request)));
    });
    server.Get("/api/stats", [this](const httplib::Request& request, httplib::Response& response) {
        send(response,
             statsReply(*openLogForReading(logPath_), parametersOf(request), std::time(nullptr)));
    });
    server.Get("/api/state", [this](const httplib::Request& request, httplib::Response& response) {
        checkParameterNames(parametersOf(request), {});
        send(response, stateReply(*openLogForReading(logPath_), feed_.snapshot()));
    });
    server.Get("/api/calls.csv", [this](const httplib::Request& request,
                                        httplib::Response& response) {
        auto csv = std::make_shared<CsvExport>(logPath_, callQuery(parametersOf(request), true));
        response.set_header("Cache-Control", "no-store");
        response.set_header("Content-Disposition", "attachment; filename=\"calls.csv\"");
        response.set_chunked_content_provider(
            "text/csv; charset=utf-8", [csv](size_t, httplib::DataSink& sink) {
                const std::optional<std::string> piece = csv->next();
                if (!piece) {
                    sink.done();
                    return true;
                }
                return sink.write(piece->data(), piece->size());
            });
    });
    server.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
        checkParameterNames(parametersOf(request), {});
        const std::optional<int64_t> lastSeen = lastEventId(request);
        if (++streams_ > kMaxStreams) {
            --streams_;
            response.set_header("Retry-After", "10");
            send(response, errorReply(503, "too many event streams"));
            return;
        }
        std::shared_ptr<EventStream> stream;
        try {
            stream = std::make_shared<EventStream>(logPath_, *broadcast_, lastSeen);
        } catch (...) {
            --streams_;
            throw;
        }
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [stream](size_t, httplib::DataSink& sink) {
                const std::optional<std::string> events = stream->next(kKeepAlive);
                return events && sink.write(events->data(), events->size());
            },
            [this](bool) { --streams_; });
    });
    for (const BoardAsset& asset : boardAssets()) {
        const std::string tag = entityTag(asset.body);
        const auto serve = [asset, tag](const httplib::Request& request,
                                        httplib::Response& response) {
            response.set_header("Cache-Control", "no-cache");
            response.set_header("ETag", tag);
            if (request.get_header_value("If-None-Match") == tag) {
                response.status = 304;
                return;
            }
            response.set_content(asset.body.data(), asset.body.size(),
                                 std::string(asset.contentType).c_str());
        };
        server.Get(literalPattern(asset.path), serve);
        if (asset.path == "/index.html") server.Get("/", serve);
    }
}

}  // namespace velko::gateway
