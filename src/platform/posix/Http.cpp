#include "platform/Http.h"

#include "platform/HttpWorkReport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <exception>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using Clock = std::chrono::steady_clock;
// Of an error page only this much is kept.
constexpr size_t kMaxErrorBody = 64 * 1024;

} // namespace

struct HttpClient::Impl {
    CURL* curl = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::atomic<bool> abort{false};
    std::atomic<curl_socket_t> socket{CURL_SOCKET_BAD};
    std::mutex socketMutex;

    // Per transfer.
    bool timedOut = false;
    bool stoppedByHandler = false;
    bool answerTooLarge = false;
    bool errorBodyCut = false;
    size_t maxAnswer = 0;
    int readTimeoutMs = 0;
    Clock::time_point lastActivity;
    curl_off_t lastDown = 0, lastUp = 0;
    bool begun = false;
    long status = 0;
    std::string errorBody;
    const BeginHandler* onBegin = nullptr;
    const DataHandler* onData = nullptr;
    THttpWorkReport work;
    std::string* sinkText = nullptr;
    std::exception_ptr handlerError;

    void ReportWork(bool final) { work.Report(final); }

    static curl_socket_t OpenSocket(void* self, curlsocktype, struct curl_sockaddr* a) {
        auto* impl = static_cast<Impl*>(self);
        curl_socket_t s = ::socket(a->family, a->socktype | SOCK_CLOEXEC, a->protocol);
        std::lock_guard<std::mutex> lock(impl->socketMutex);
        impl->socket = s;
        if (impl->abort && s != CURL_SOCKET_BAD) ::shutdown(s, SHUT_RDWR);
        return s;
    }

    static int CloseSocket(void* self, curl_socket_t s) {
        auto* impl = static_cast<Impl*>(self);
        std::lock_guard<std::mutex> lock(impl->socketMutex);
        if (impl->socket == s) impl->socket = CURL_SOCKET_BAD;
        return ::close(s);
    }

    static int Progress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
        auto* impl = static_cast<Impl*>(self);
        if (impl->abort) return 1;
        auto now = Clock::now();
        if (dlnow != impl->lastDown || ulnow != impl->lastUp) {
            impl->lastDown = dlnow;
            impl->lastUp = ulnow;
            impl->lastActivity = now;
        } else if (impl->readTimeoutMs > 0 &&
                   now - impl->lastActivity > std::chrono::milliseconds(impl->readTimeoutMs)) {
            impl->timedOut = true;
            return 1;
        }
        return 0;
    }

    bool Is2xx() const { return status >= 200 && status < 300; }

    // The handlers' exceptions (a full disk while writing, say) must not
    // unwind through libcurl's C frames, which would leave its state and
    // memory behind: kept, and thrown again once the transfer has ended.
    static size_t Write(char* data, size_t, size_t size, void* self) {
        auto* impl = static_cast<Impl*>(self);
        try {
            return impl->WriteBody(data, size);
        } catch (...) {
            impl->handlerError = std::current_exception();
            return CURL_WRITEFUNC_ERROR;
        }
    }

    size_t WriteBody(char* data, size_t size) {
        Impl* impl = this;
        if (impl->abort) return CURL_WRITEFUNC_ERROR;
        impl->lastActivity = Clock::now();
        if (!impl->begun) {
            curl_easy_getinfo(impl->curl, CURLINFO_RESPONSE_CODE, &impl->status);
            impl->Begin();
        }
        if (!impl->Is2xx()) {
            // Only the start of an error page is kept; a server that sends
            // one without end is stopped there.
            if (impl->errorBody.size() + size > kMaxErrorBody) {
                impl->errorBody.append(data, kMaxErrorBody - impl->errorBody.size());
                impl->errorBodyCut = true;
                return CURL_WRITEFUNC_ERROR;
            }
            impl->errorBody.append(data, size);
            return size;
        }
        if (impl->sinkText) {
            if (impl->sinkText->size() + size > impl->maxAnswer) {
                impl->answerTooLarge = true;
                return CURL_WRITEFUNC_ERROR;
            }
            impl->sinkText->append(data, size);
        } else if (impl->onData && *impl->onData && !(*impl->onData)(data, size)) {
            impl->stoppedByHandler = true;
            return CURL_WRITEFUNC_ERROR;
        }
        impl->work.received += static_cast<int64_t>(size);
        impl->ReportWork(false);
        if (impl->abort) return CURL_WRITEFUNC_ERROR;
        return size;
    }

    void Begin() {
        begun = true;
        if (!Is2xx() || !onBegin || !*onBegin) return;
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        (*onBegin)(status, length);
    }
};

HttpClient::HttpClient() : FImpl(std::make_unique<Impl>()) {
    GlobalInit();
    FImpl->curl = curl_easy_init();
    if (!FImpl->curl) throw HttpError(HttpError::Kind::Other, "cannot create an HTTP client");
}

HttpClient::~HttpClient() {
    curl_easy_cleanup(FImpl->curl);
}

void HttpClient::SetHeaders(std::vector<std::pair<std::string, std::string>> headers) {
    FHeaders = std::move(headers);
}

void HttpClient::Disconnect() {
    FImpl->abort = true;
    std::lock_guard<std::mutex> lock(FImpl->socketMutex);
    if (FImpl->socket != CURL_SOCKET_BAD) ::shutdown(FImpl->socket, SHUT_RDWR);
}

namespace {

struct SlistGuard {
    curl_slist* list = nullptr;
    ~SlistGuard() { curl_slist_free_all(list); }
};

} // namespace

std::string HttpClient::Post(const std::string& url, const std::string& body) {
    std::string answer;
    CURL* c = FImpl->curl;
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    FImpl->sinkText = &answer;
    FImpl->onBegin = nullptr;
    FImpl->onData = nullptr;
    FImpl->work.handler = nullptr;
    Perform(url);
    return answer;
}

std::string HttpClient::ResponseHeader(const std::string& name) const {
    struct curl_header* h = nullptr;
    if (curl_easy_header(FImpl->curl, name.c_str(), 0, CURLH_HEADER, -1, &h) != CURLHE_OK || !h)
        return {};
    return h->value;
}

void HttpClient::Get(const std::string& url, const BeginHandler& onBegin, const DataHandler& onData,
                     const WorkHandler& onWork) {
    CURL* c = FImpl->curl;
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    FImpl->sinkText = nullptr;
    FImpl->onBegin = &onBegin;
    FImpl->onData = &onData;
    FImpl->work.handler = &onWork;
    FImpl->work.granularity = FWorkGranularity;
    Perform(url);
}

void HttpClient::Perform(const std::string& url) {
    Impl& impl = *FImpl;
    const auto& headers = FHeaders;
    const int readTimeoutMs = FReadTimeoutMs;
    const bool closeAfter = FCloseAfterRequest;
    // SSL_CERT_FILE, OpenSSL's own setting, names certificates to trust as
    // well (libcurl would otherwise use only its built-in bundle path).
    const char* envCa = std::getenv("SSL_CERT_FILE");
    const std::string caFile = !FCaFile.empty() ? FCaFile : envCa ? envCa : "";
    CURL* c = impl.curl;
    impl.timedOut = false;
    impl.stoppedByHandler = false;
    impl.answerTooLarge = false;
    impl.errorBodyCut = false;
    impl.maxAnswer = FMaxAnswerSize;
    impl.readTimeoutMs = readTimeoutMs;
    impl.lastActivity = Clock::now();
    impl.lastDown = impl.lastUp = 0;
    impl.begun = false;
    impl.work.Restart();
    impl.status = 0;
    impl.errorBody.clear();
    impl.errorBuffer[0] = '\0';

    SlistGuard list;
    for (const auto& [name, value] : headers)
        list.list = curl_slist_append(list.list, (name + ": " + value).c_str());
    // No "Expect: 100-continue" round trip before the body.
    list.list = curl_slist_append(list.list, "Expect:");

    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list.list);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, impl.errorBuffer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &HttpClient::Impl::Write);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &impl);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &HttpClient::Impl::Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &impl);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &HttpClient::Impl::OpenSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, &impl);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &HttpClient::Impl::CloseSocket);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, &impl);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 512L * 1024);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    if (closeAfter) curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);

    impl.handlerError = nullptr;
    CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    if (impl.handlerError) std::rethrow_exception(std::exchange(impl.handlerError, nullptr));
    if (rc == CURLE_OK && !impl.begun) {
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &impl.status);
        impl.Begin();
    }
    if (rc == CURLE_OK && impl.Is2xx()) impl.ReportWork(true);
    if (rc == CURLE_OK) {
        if (impl.Is2xx()) return;
        // The status line's reason phrase is not kept by curl; the code says enough.
        throw HttpError(HttpError::Kind::Status, "HTTP/1.1 " + std::to_string(impl.status), 0,
                        impl.status, impl.errorBody);
    }

    if (impl.errorBodyCut)
        throw HttpError(HttpError::Kind::Status, "HTTP/1.1 " + std::to_string(impl.status), 0,
                        impl.status, impl.errorBody);
    if (impl.answerTooLarge)
        throw HttpError(HttpError::Kind::Other,
                        "服务器的回答过大 (超过 " + std::to_string(impl.maxAnswer >> 20) + " MB)");
    std::string detail = impl.errorBuffer[0] ? impl.errorBuffer : curl_easy_strerror(rc);
    if (impl.abort || impl.stoppedByHandler)
        throw HttpError(HttpError::Kind::Aborted, "Operation aborted.");
    if (impl.timedOut || rc == CURLE_OPERATION_TIMEDOUT)
        throw HttpError(HttpError::Kind::Timeout, "Read timed out.");
    if (rc == CURLE_PARTIAL_FILE)
        throw HttpError(HttpError::Kind::Incomplete, "Connection closed gracefully.");
    long osError = 0;
    curl_easy_getinfo(c, CURLINFO_OS_ERRNO, &osError);
    switch (rc) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        throw HttpError(HttpError::Kind::Socket,
                        "Socket Error # " + std::to_string(osError) + "\n" +
                            (osError ? std::strerror(static_cast<int>(osError)) : detail),
                        static_cast<int>(osError));
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        throw HttpError(HttpError::Kind::Tls, "HTTPS证书验证失败 : " + detail);
    default:
        throw HttpError(HttpError::Kind::Other, detail);
    }
}

} // namespace platform
