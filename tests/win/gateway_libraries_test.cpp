// gateway_libraries_test: the Windows gateway's libraries, cross-built from Debian's sources
// (cmake/windows-gateway-deps.cmake), linked statically and used once each under Wine: the call
// log's SQLite features, OpenSSL, the MQTT client with TLS, and HTTPS between cpp-httplib's
// server and client on the loopback.

// cpp-httplib brings winsock2.h, which must come before windows.h.
#include <httplib.h>
#include <mosquitto.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/win/support/check.h"

using namespace velko::wintest;

namespace {

using SqliteHandle = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

// The first column of the first row of a statement, as text ("" for no row).
std::string firstValue(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        stop(__FILE__, __LINE__, std::string(sql) + ": " + sqlite3_errmsg(db));
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw,
                                                                               sqlite3_finalize);
    const int result = sqlite3_step(raw);
    if (result == SQLITE_DONE) return {};
    if (result != SQLITE_ROW)
        stop(__FILE__, __LINE__, std::string(sql) + ": " + sqlite3_errmsg(db));
    const auto* text = sqlite3_column_text(raw, 0);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The rowids of the calls whose number or name holds a text, as the log's search asks.
std::string callsHolding(sqlite3* db, const std::string& text) {
    const std::string sql =
        "SELECT group_concat(rowid) FROM call_search WHERE call_search MATCH '\"" + text + "\"'";
    return firstValue(db, sql.c_str());
}

WIN_TEST(sqliteHasTheCallLogsOptionsWriteAheadLogAndTrigramIndex) {
    CHECK_EQ(sqlite3_threadsafe(), 1);
    for (const char* option : {"ENABLE_FTS5", "SECURE_DELETE"}) {
        if (!sqlite3_compileoption_used(option)) {
            fail(__FILE__, __LINE__, std::string("SQLite is built without ") + option);
        }
    }
    const auto folder = std::filesystem::temp_directory_path() /
                        ("velko-libraries-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "calls.db").string();
    {
        sqlite3* raw = nullptr;
        const int opened = sqlite3_open_v2(file.c_str(), &raw,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        const SqliteHandle db(raw, sqlite3_close);
        REQUIRE(opened == SQLITE_OK);
        CHECK_EQ(firstValue(raw, "PRAGMA journal_mode=WAL"), std::string("wal"));
        REQUIRE(sqlite3_exec(raw, R"sql(
CREATE TABLE calls (id INTEGER PRIMARY KEY, number TEXT NOT NULL, name TEXT NOT NULL);
CREATE VIRTUAL TABLE call_search USING fts5(
    number, name, content='calls', content_rowid='id', tokenize='trigram case_sensitive 1');
CREATE TRIGGER call_search_insert AFTER INSERT ON calls BEGIN
    INSERT INTO call_search (rowid, number, name) VALUES (new.id, new.number, new.name);
END;
INSERT INTO calls (number, name) VALUES ('0212345678', '홍길동'), ('0319876543', 'Kim Min');
)sql",
                             nullptr, nullptr, nullptr) == SQLITE_OK);
        CHECK(std::filesystem::exists(file + "-wal"));
        CHECK_EQ(callsHolding(raw, "234"), std::string("1"));
        CHECK_EQ(callsHolding(raw, "홍길동"), std::string("1"));
        CHECK_EQ(callsHolding(raw, "Kim"), std::string("2"));
        CHECK_EQ(callsHolding(raw, "kim"), std::string());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

WIN_TEST(opensslDigestsAndMakesTlsContexts) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    REQUIRE(EVP_Digest("abc", 3, digest, &size, EVP_sha256(), nullptr) == 1);
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    CHECK_EQ(hex, std::string("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(
        SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    CHECK(context != nullptr);
}

WIN_TEST(mosquittoMakesAClientWithTlsAndNoThreadOfItsOwn) {
    REQUIRE(mosquitto_lib_init() == MOSQ_ERR_SUCCESS);
    mosquitto* client = mosquitto_new("velko-libraries", true, nullptr);
    REQUIRE(client != nullptr);
    CHECK_EQ(mosquitto_tls_opts_set(client, 1, "tlsv1.2", nullptr), MOSQ_ERR_SUCCESS);
    CHECK_EQ(mosquitto_loop_start(client), MOSQ_ERR_NOT_SUPPORTED);
    mosquitto_destroy(client);
    mosquitto_lib_cleanup();
}

// A key and a self-signed certificate for 127.0.0.1, valid for an hour.
struct Identity {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_EC_gen("P-256"), EVP_PKEY_free};
    std::unique_ptr<X509, decltype(&X509_free)> certificate{X509_new(), X509_free};

    Identity() {
        REQUIRE(key && certificate);
        X509* cert = certificate.get();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), 0);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
        X509_set_pubkey(cert, key.get());
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        REQUIRE(X509_sign(cert, key.get(), EVP_sha256()) > 0);
    }
};

// The server's listening thread, stopped and joined however the test case ends.
struct Listening {
    httplib::Server& server;
    std::thread thread{[this] { server.listen_after_bind(); }};

    ~Listening() {
        // stop() ends only a server that runs: wait for it to start first.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!server.is_running() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        server.stop();
        thread.join();
    }
};

WIN_TEST(httplibServesHttpsToAClientThatChecksTheCertificate) {
    const Identity identity;
    httplib::SSLServer server(identity.certificate.get(), identity.key.get());
    REQUIRE(server.is_valid());
    server.Get("/ping", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("pong", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    REQUIRE(port > 0);
    const Listening listening{server};

    httplib::SSLClient client("127.0.0.1", port);
    X509_STORE* trusted = X509_STORE_new();
    X509_STORE_add_cert(trusted, identity.certificate.get());
    client.set_ca_cert_store(trusted);
    client.enable_server_certificate_verification(true);
    client.set_connection_timeout(std::chrono::seconds(5));
    client.set_read_timeout(std::chrono::seconds(5));
    const auto result = client.Get("/ping");
    REQUIRE(result);
    CHECK_EQ(result->status, 200);
    CHECK_EQ(result->body, std::string("pong"));
}

}  // namespace

int main(int argc, char** argv) {
    int major = 0;
    int minor = 0;
    int revision = 0;
    mosquitto_lib_version(&major, &minor, &revision);
    std::printf("SQLite %s, %s, mosquitto %d.%d.%d, cpp-httplib %s\n", sqlite3_libversion(),
                OpenSSL_version(OPENSSL_VERSION), major, minor, revision, CPPHTTPLIB_VERSION);
    return runAll(argc, argv, 1);
}
