#include "gateway/board/board_server.h"

#include <httplib.h>

#include <charconv>
#include <ctime>
#include <stdexcept>

#include "gateway/board/board_api.h"
#include "gateway/board/board_assets.h"
#include "gateway/board/board_events.h"
#include "gateway/board/board_gate.h"
#include "gateway/board/board_host.h"
#include "gateway/board/board_http.h"
#include "gateway/board/board_stream.h"
#include "gateway/board/board_tls.h"
#include "gateway/board/board_workers.h"

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

// One step of an answer written on the library's thread after its handler returned (a content
// provider's): a failure ends this answer alone, cut short so that the client sees it incomplete,
// and is told.
template <typename Step>
bool guardedStep(std::string_view request, BoardReport& report, Step&& step) {
    try {
        return step();
    } catch (...) {
        try {
            report.requestFailed(request, failureReason(std::current_exception()));
        } catch (...) {
            // Not even that could be told; the answer ends all the same.
        }
        return false;
    }
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

BoardServer::BoardServer(const BoardSettings& settings, std::string logPath, BoardFeed& feed,
                         BoardReport& report)
    : logPath_(std::move(logPath)),
      feed_(feed),
      report_(report),
      server_(std::make_unique<BoardHttp>()) {
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
    broadcast_ = std::make_unique<BoardBroadcast>(logPath_, feed_, report_);
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
        try {
            report_.requestFailed("", failureReason(std::current_exception()));
        } catch (...) {
            // Not even that could be told; the connection closes all the same.
        }
    }
    try {
        gate_->giveBack(std::move(connection), keep);
    } catch (...) {
        // No memory to hand it back: it closes here.
    }
}

void BoardServer::route() {
    httplib::Server& server = *server_;
    // What a handler below did not catch; nothing may leave this handler on the library's thread.
    server.set_exception_handler(
        [this](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
            try {
                send(response, failureReply(failure, "", report_));
            } catch (...) {
                response.status = 500;
            }
        });
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&,
                                                                     httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        try {
            send(response, errorReply(response.status, response.status == 404 ? "no such resource"
                                                                              : "request refused"));
        } catch (...) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        return httplib::Server::HandlerResponse::Handled;
    }));
    // A JSON answer of the API; every failure is answered as failureReply says.
    const auto api = [this](std::string_view path, auto reply) {
        return [this, path, reply](const httplib::Request& request, httplib::Response& response) {
            try {
                send(response, reply(parametersOf(request)));
            } catch (...) {
                send(response, failureReply(std::current_exception(), path, report_));
            }
        };
    };
    server.Get("/api/calls", api("/api/calls", [this](const QueryParameters& parameters) {
                   const CallQuery query = callQuery(parameters, false);
                   return callsReply(*openLogForReading(logPath_), query);
               }));
    server.Get("/api/stats", api("/api/stats", [this](const QueryParameters& parameters) {
                   const int days = statsDays(parameters);
                   return statsReply(*openLogForReading(logPath_), days, std::time(nullptr));
               }));
    server.Get("/api/state", api("/api/state", [this](const QueryParameters& parameters) {
                   checkParameterNames(parameters, {});
                   return stateReply(*openLogForReading(logPath_), feed_.snapshot());
               }));
    server.Get(
        "/api/calls.csv", [this](const httplib::Request& request, httplib::Response& response) {
            constexpr std::string_view kPath = "/api/calls.csv";
            std::shared_ptr<CsvExport> csv;
            try {
                csv = std::make_shared<CsvExport>(logPath_, callQuery(parametersOf(request), true));
            } catch (...) {
                send(response, failureReply(std::current_exception(), kPath, report_));
                return;
            }
            response.set_header("Cache-Control", "no-store");
            response.set_header("Content-Disposition", "attachment; filename=\"calls.csv\"");
            response.set_chunked_content_provider(
                "text/csv; charset=utf-8", [this, csv](size_t, httplib::DataSink& sink) {
                    return guardedStep(kPath, report_, [&] {
                        const std::optional<std::string> piece = csv->next();
                        if (!piece) {
                            sink.done();
                            return true;
                        }
                        return sink.write(piece->data(), piece->size());
                    });
                });
        });
    server.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
        constexpr std::string_view kPath = "/api/events";
        std::optional<int64_t> lastSeen;
        try {
            checkParameterNames(parametersOf(request), {});
            lastSeen = lastEventId(request);
        } catch (...) {
            send(response, failureReply(std::current_exception(), kPath, report_));
            return;
        }
        if (++streams_ > kMaxStreams) {
            --streams_;
            response.set_header("Retry-After", "10");
            send(response, errorReply(503, "too many event streams"));
            return;
        }
        std::shared_ptr<EventStream> stream;
        try {
            stream = std::make_shared<EventStream>(logPath_, *broadcast_, report_, lastSeen);
        } catch (...) {
            --streams_;
            send(response, failureReply(std::current_exception(), kPath, report_));
            return;
        }
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, stream](size_t, httplib::DataSink& sink) {
                return guardedStep(kPath, report_, [&] {
                    const std::optional<std::string> events = stream->next(kKeepAlive);
                    return events && sink.write(events->data(), events->size());
                });
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
