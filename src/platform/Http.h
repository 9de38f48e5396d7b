#pragma once
// An HTTP/1.1 client over libcurl: a POST with set headers for the update
// list, a GET into a sink with begin and progress callbacks for downloads.
// Redirects are never followed; https verifies certificates against the
// system's CA store.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class HttpError : public std::runtime_error {
public:
    enum class Kind {
        Socket,     // the connection could not be made or broke; OsCode() tells why
        Status,     // the server answered with a status that is not 2xx; Body() holds its body
        Timeout,    // no data arrived for the read time-out
        Incomplete, // the connection closed before the announced length arrived
        Tls,        // the TLS handshake or the certificate check failed
        Aborted,    // a callback asked to stop
        Other,
    };
    HttpError(Kind kind, const std::string& message, int osCode = 0, long status = 0,
              std::string body = {})
        : std::runtime_error(message), FKind(kind), FOsCode(osCode), FStatus(status),
          FBody(std::move(body)) {}
    Kind GetKind() const { return FKind; }
    int OsCode() const { return FOsCode; }
    long Status() const { return FStatus; }
    const std::string& Body() const { return FBody; }

private:
    Kind FKind;
    int FOsCode;
    long FStatus;
    std::string FBody;
};

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void SetHeaders(std::vector<std::pair<std::string, std::string>> headers);
    // A transfer that receives no data for this long fails.
    void SetReadTimeout(int milliseconds) { FReadTimeoutMs = milliseconds; }
    // Close the connection after every request instead of keeping it for the next.
    void SetCloseAfterRequest(bool value) { FCloseAfterRequest = value; }
    // Extra CA certificates (PEM file) to trust besides the system's, for tests.
    void SetExtraCaFile(const std::string& path) { FCaFile = path; }

    // A POST's answer longer than this fails (Other) as soon as it passes
    // the mark. An error page's body is kept up to 64 KB in any case.
    void SetMaxAnswerSize(size_t bytes) { FMaxAnswerSize = bytes; }

    // POSTs the body; the answer's body on 2xx; throws HttpError otherwise.
    std::string Post(const std::string& url, const std::string& body);

    // The value of the last answer's header of that name (compared without
    // regard to case; the first when repeated), or empty.
    std::string ResponseHeader(const std::string& name) const;

    // Called when the response's body begins: the status and the announced
    // length (-1 when none was announced).
    using BeginHandler = std::function<void(long status, int64_t contentLength)>;
    // Called with each piece of the body; false stops the transfer (Aborted).
    using DataHandler = std::function<bool(const char* data, size_t size)>;
    // Called with the running count of body bytes received, after every
    // piece of at least the work granularity, after 100 ms without a report
    // while data arrives, and after the last piece.
    using WorkHandler = std::function<void(int64_t received)>;
    // GETs url; the body of a 2xx answer goes to onData. Throws HttpError.
    void Get(const std::string& url, const BeginHandler& onBegin, const DataHandler& onData,
             const WorkHandler& onWork = {});
    void SetWorkGranularity(size_t bytes) { FWorkGranularity = bytes; }

    // Drops the connection; may be called from another thread while a
    // transfer runs, which then fails with Aborted soon after.
    void Disconnect();

private:
    void Perform(const std::string& url);

    struct Impl;
    std::unique_ptr<Impl> FImpl;
    std::vector<std::pair<std::string, std::string>> FHeaders;
    size_t FMaxAnswerSize = 32u << 20;
    int FReadTimeoutMs = 0;
    bool FCloseAfterRequest = false;
    size_t FWorkGranularity = 256 * 1024;
    std::string FCaFile;
};

} // namespace platform
