#include "platform/Http.h"

#include "platform/HttpWorkReport.h"

#include "platform/Text.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <thread>

#include <windows.h>
// After windows.h, which they build on.
#include <wincrypt.h>
#include <winhttp.h>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
// Of an error page only this much is kept.
constexpr size_t kMaxErrorBody = 64 * 1024;
// One read asks for this much, as the Linux build's receive buffer.
constexpr DWORD kReadPiece = 512 * 1024;

// Wine reports a few failures with the socket's own code instead of WinHTTP's.
constexpr DWORD kWsaTimedOut = 10060;
constexpr DWORD kWsaConnReset = 10054;

std::wstring Wide(std::string_view utf8) {
    std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(std::wstring_view w) {
    return Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string EnvVar(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Loopback never goes through a proxy: a proxy elsewhere cannot reach it.
bool IsLoopback(std::string host) {
    host = LowerAscii(host);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host == "localhost" || host == "::1") return true;
    if (host.size() > 10 && host.compare(host.size() - 10, 10, ".localhost") == 0) return true;
    return host.compare(0, 4, "127.") == 0 &&
           host.find_first_not_of("0123456789.") == std::string::npos;
}

// The no_proxy convention the Linux build follows through libcurl: a comma
// list of host names, each also covering its subdomains ("example.org" and
// ".example.org" both match "a.example.org"), "*" for all; ports are ignored.
bool NoProxyNames(const std::string& host) {
    std::string list = EnvVar("no_proxy");
    if (list.empty()) list = EnvVar("NO_PROXY");
    const std::string h = LowerAscii(host);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string entry = LowerAscii(Trim(std::string_view(list).substr(start, end - start)));
        start = end + 1;
        if (entry == "*") return true;
        if (!entry.empty() && entry.front() == '[') {
            size_t close = entry.find(']');
            if (close != std::string::npos) entry = entry.substr(1, close - 1);
        } else if (size_t colon = entry.rfind(':');
                   colon != std::string::npos && entry.find(':') == colon) {
            entry.resize(colon);
        }
        while (!entry.empty() && entry.front() == '.')
            entry.erase(0, 1);
        if (entry.empty()) continue;
        if (h == entry) return true;
        if (h.size() > entry.size() &&
            h.compare(h.size() - entry.size(), entry.size(), entry) == 0 &&
            h[h.size() - entry.size() - 1] == '.')
            return true;
    }
    return false;
}

// Strings WinHTTP hands out are the caller's to free with GlobalFree.
struct GlobalText {
    LPWSTR text = nullptr;
    ~GlobalText() {
        if (text) GlobalFree(text);
    }
};

// The proxy the user configured for the browser, for one URL. Direct when
// none applies; WinHTTP itself applies the bypass list it comes with.
class ProxyChoice {
public:
    bool direct = true;
    std::wstring proxy, bypass;
};

ProxyChoice ChooseProxy(const std::wstring& url, const std::string& host) {
    ProxyChoice choice;
    if (IsLoopback(host) || NoProxyNames(host)) return choice;

    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    GlobalText autoUrl, manual, manualBypass;
    bool haveIe = WinHttpGetIEProxyConfigForCurrentUser(&ie);
    if (haveIe) {
        autoUrl.text = ie.lpszAutoConfigUrl;
        manual.text = ie.lpszProxy;
        manualBypass.text = ie.lpszProxyBypass;
    }
    if (haveIe && (ie.fAutoDetect || ie.lpszAutoConfigUrl)) {
        // Automatic configuration (WPAD or a PAC file) is asked through a
        // synchronous session of its own; a failure falls back to the
        // manual settings, as browsers do.
        HINTERNET lookup = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0);
        if (lookup) {
            WINHTTP_AUTOPROXY_OPTIONS options{};
            if (ie.lpszAutoConfigUrl) {
                options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
                options.lpszAutoConfigUrl = ie.lpszAutoConfigUrl;
            } else {
                options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
                options.dwAutoDetectFlags =
                    WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
            }
            options.fAutoLogonIfChallenged = TRUE;
            WINHTTP_PROXY_INFO info{};
            bool found = WinHttpGetProxyForUrl(lookup, url.c_str(), &options, &info);
            GlobalText p{info.lpszProxy}, b{info.lpszProxyBypass};
            WinHttpCloseHandle(lookup);
            if (found) {
                if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy) {
                    choice.direct = false;
                    choice.proxy = info.lpszProxy;
                    if (info.lpszProxyBypass) choice.bypass = info.lpszProxyBypass;
                }
                return choice;
            }
        }
    }
    if (haveIe && ie.lpszProxy && *ie.lpszProxy) {
        choice.direct = false;
        choice.proxy = ie.lpszProxy;
        if (ie.lpszProxyBypass) choice.bypass = ie.lpszProxyBypass;
        return choice;
    }
    // Without browser settings, the machine's WinHTTP setting (netsh winhttp).
    WINHTTP_PROXY_INFO machine{};
    if (WinHttpGetDefaultProxyConfiguration(&machine)) {
        GlobalText p{machine.lpszProxy}, b{machine.lpszProxyBypass};
        if (machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && machine.lpszProxy &&
            *machine.lpszProxy) {
            choice.direct = false;
            choice.proxy = machine.lpszProxy;
            if (machine.lpszProxyBypass) choice.bypass = machine.lpszProxyBypass;
        }
    }
    return choice;
}

// What the status callback reports about one request. The worker waits on
// `event` for each step. The buffers WinHTTP reads from and writes into live
// here too: a closed handle may still finish an operation it had begun (Wine
// does not cut a pending receive short), so the state goes away only when
// both the worker and the handle's last callback are done with it.
struct RequestState {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD completion = 0;
    DWORD error = 0;
    DWORD bytes = 0;
    std::string body;  // what a POST sends
    std::string piece; // what a read fills
    std::atomic<int> owners{1};
    ~RequestState() { CloseHandle(event); }
    void Release() {
        if (--owners == 0) delete this;
    }
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    auto* state = reinterpret_cast<RequestState*>(context);
    if (!state) return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        state->completion = status;
        SetEvent(state->event);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        state->completion = status;
        state->bytes = length;
        SetEvent(state->event);
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        state->completion = status;
        state->bytes = *static_cast<DWORD*>(info);
        SetEvent(state->event);
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        state->completion = status;
        state->error = static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError;
        SetEvent(state->event);
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        state->Release();
        break;
    default:
        break;
    }
}

// A request handle and the state its callbacks write.
class Request {
public:
    Request() : FState(new RequestState) {}
    ~Request() {
        if (FHandle && FPending) {
            // Wine's close waits for a pending receive to end, which a
            // stalled server may never do: the caller must not wait for that.
            std::thread([h = FHandle] { WinHttpCloseHandle(h); }).detach();
        } else if (FHandle) {
            WinHttpCloseHandle(FHandle);
        }
        FState->Release();
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    void Attach(HINTERNET handle) {
        FHandle = handle;
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(FState);
        // The handle's closing callback releases its share.
        ++FState->owners;
        if (!WinHttpSetOption(FHandle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context))
            --FState->owners;
    }
    HINTERNET Handle() const { return FHandle; }
    RequestState& State() { return *FState; }
    // An operation was begun and its completion not yet seen.
    void SetPending(bool value) { FPending = value; }

private:
    HINTERNET FHandle = nullptr;
    bool FPending = false;
    RequestState* FState;
};

struct InternetHandle {
    HINTERNET h = nullptr;
    ~InternetHandle() {
        if (h) WinHttpCloseHandle(h);
    }
};

// Texts of the Linux build for the socket failures WinHTTP reports; the
// number shown is Windows' own socket code.
[[noreturn]] void ThrowSocket(int wsaCode, int osCode, const std::string& text) {
    throw HttpError(HttpError::Kind::Socket,
                    "Socket Error # " + std::to_string(wsaCode) + "\n" + text, osCode);
}

[[noreturn]] void ThrowTls(const std::string& detail) {
    throw HttpError(HttpError::Kind::Tls, "HTTPS证书验证失败 : " + detail);
}

enum class Phase { Connect, Headers, Body };

// WinHTTP's failures mapped onto the kinds and texts of the Linux build
// (docs/DECISIONS.md, "WinHTTP errors").
[[noreturn]] void ThrowWinHttp(DWORD error, Phase phase, const std::string& host) {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case kWsaTimedOut:
        throw HttpError(HttpError::Kind::Timeout, "Read timed out.");
    case ERROR_WINHTTP_OPERATION_CANCELLED:
        throw HttpError(HttpError::Kind::Aborted, "Operation aborted.");
    case ERROR_WINHTTP_CANNOT_CONNECT:
        ThrowSocket(10061, ECONNREFUSED, "Connection refused");
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        ThrowSocket(11001, 0, "Could not resolve host: " + host);
    case ERROR_WINHTTP_CONNECTION_ERROR:
        if (phase == Phase::Body)
            throw HttpError(HttpError::Kind::Incomplete, "Connection closed gracefully.");
        ThrowSocket(10054, ECONNRESET, "Connection reset by peer");
    case kWsaConnReset:
        ThrowSocket(10054, ECONNRESET, "Connection reset by peer");
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        if (phase == Phase::Body)
            throw HttpError(HttpError::Kind::Incomplete, "Connection closed gracefully.");
        ThrowSocket(0, 0, "Empty reply from server");
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
        ThrowTls("SSL certificate problem (WinHTTP error " + std::to_string(error) + ")");
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL:
        throw HttpError(HttpError::Kind::Other, "URL using bad/illegal format or missing URL");
    default:
        throw HttpError(HttpError::Kind::Other, "WinHTTP error " + std::to_string(error));
    }
}

} // namespace

struct HttpClient::Impl {
    HINTERNET session = nullptr;
    std::atomic<bool> abort{false};
    // Set by Disconnect; never reset, as a disconnected client stays so.
    HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    // Per transfer.
    bool begun = false;
    long status = 0;
    int64_t announced = -1;
    std::string headers; // the answer's raw header lines
    std::string errorBody;
    const BeginHandler* onBegin = nullptr;
    const DataHandler* onData = nullptr;
    THttpWorkReport work;
    size_t maxAnswer = 0;
    std::string* sinkText = nullptr;
    const std::string* postBody = nullptr; // null: a GET

    void ReportWork(bool final) { work.Report(final); }

    bool Is2xx() const { return status >= 200 && status < 300; }

    void Begin() {
        begun = true;
        if (!Is2xx() || !onBegin || !*onBegin) return;
        (*onBegin)(status, announced);
    }

    [[noreturn]] void ThrowStatus() {
        // WinHTTP keeps the reason phrase, but the Linux build cannot; the code says enough.
        throw HttpError(HttpError::Kind::Status, "HTTP/1.1 " + std::to_string(status), 0, status,
                        errorBody);
    }

    // One piece of the body. False: the transfer ends here (the error page
    // is complete enough).
    bool Write(const char* data, size_t size) {
        if (!begun) Begin();
        if (!Is2xx()) {
            if (errorBody.size() + size > kMaxErrorBody) {
                errorBody.append(data, kMaxErrorBody - errorBody.size());
                ThrowStatus();
            }
            errorBody.append(data, size);
            return true;
        }
        if (sinkText) {
            if (sinkText->size() + size > maxAnswer)
                throw HttpError(HttpError::Kind::Other, "服务器的回答过大 (超过 " +
                                                            std::to_string(maxAnswer >> 20) +
                                                            " MB)");
            sinkText->append(data, size);
        } else if (onData && *onData && !(*onData)(data, size)) {
            throw HttpError(HttpError::Kind::Aborted, "Operation aborted.");
        }
        work.received += static_cast<int64_t>(size);
        ReportWork(false);
        return true;
    }

    [[noreturn]] void ThrowAborted() {
        throw HttpError(HttpError::Kind::Aborted, "Operation aborted.");
    }

    // Waits for the step WinHTTP is working on: its completion, a failure,
    // Disconnect, or the read time-out without any news.
    void Wait(Request& request, int readTimeoutMs, Phase phase, const std::string& host) {
        request.SetPending(true);
        HANDLE handles[2] = {request.State().event, cancel};
        DWORD bound = readTimeoutMs > 0 ? static_cast<DWORD>(readTimeoutMs) : INFINITE;
        DWORD w = WaitForMultipleObjects(2, handles, FALSE, bound);
        if (w == WAIT_OBJECT_0) request.SetPending(false);
        if (w == WAIT_OBJECT_0 + 1) ThrowAborted();
        if (w == WAIT_TIMEOUT) throw HttpError(HttpError::Kind::Timeout, "Read timed out.");
        if (w != WAIT_OBJECT_0)
            throw HttpError(HttpError::Kind::Other,
                            "WinHTTP wait failed " + std::to_string(GetLastError()));
        if (abort) ThrowAborted();
        if (request.State().completion == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR)
            ThrowWinHttp(request.State().error, phase, host);
    }
};

HttpClient::HttpClient() : FImpl(std::make_unique<Impl>()) {
    FImpl->session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!FImpl->session || !FImpl->cancel)
        throw HttpError(HttpError::Kind::Other, "cannot create an HTTP client");
    // Windows 7 offers TLS 1.2 to servers only when asked.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    WinHttpSetOption(FImpl->session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    WinHttpSetStatusCallback(FImpl->session, &OnStatus,
                             WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                             0);
}

HttpClient::~HttpClient() {
    if (FImpl->session) WinHttpCloseHandle(FImpl->session);
    if (FImpl->cancel) CloseHandle(FImpl->cancel);
}

void HttpClient::SetHeaders(std::vector<std::pair<std::string, std::string>> headers) {
    FHeaders = std::move(headers);
}

void HttpClient::Disconnect() {
    FImpl->abort = true;
    SetEvent(FImpl->cancel);
}

namespace {

// The parts of a URL a request needs.
struct UrlParts {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring object; // path and query
};

UrlParts CrackUrl(const std::wstring& url) {
    URL_COMPONENTS c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwHostNameLength = c.dwUrlPathLength = c.dwExtraInfoLength =
        static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        throw HttpError(HttpError::Kind::Other, "URL using bad/illegal format or missing URL");
    UrlParts parts;
    if (c.nScheme == INTERNET_SCHEME_HTTPS)
        parts.secure = true;
    else if (c.nScheme != INTERNET_SCHEME_HTTP)
        throw HttpError(HttpError::Kind::Other,
                        "Protocol \"" + Narrow(std::wstring_view(c.lpszScheme, c.dwSchemeLength)) +
                            "\" not supported");
    parts.host.assign(c.lpszHostName, c.dwHostNameLength);
    parts.port = c.nPort;
    parts.object.assign(c.lpszUrlPath, c.dwUrlPathLength);
    parts.object.append(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = L"/";
    if (parts.host.empty())
        throw HttpError(HttpError::Kind::Other, "URL using bad/illegal format or missing URL");
    return parts;
}

// The announced length, or -1; read as text since the number form is 32-bit.
int64_t ContentLength(HINTERNET request) {
    wchar_t text[32];
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                             text, &size, WINHTTP_NO_HEADER_INDEX))
        return -1;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(text, &end, 10);
    return end != text && v >= 0 ? v : -1;
}

std::string RawHeaders(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    if (size == 0) return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             text.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(size / sizeof(wchar_t));
    return Narrow(text);
}

} // namespace

std::string HttpClient::ResponseHeader(const std::string& name) const {
    const std::string& text = FImpl->headers;
    size_t pos = text.find("\r\n"); // past the status line
    while (pos != std::string::npos && pos + 2 < text.size()) {
        const size_t start = pos + 2;
        const size_t end = text.find("\r\n", start);
        const std::string_view line(text.data() + start,
                                    (end == std::string::npos ? text.size() : end) - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameTextAscii(line.substr(0, colon), name))
            return Trim(line.substr(colon + 1));
        pos = end;
    }
    return {};
}

std::string HttpClient::Post(const std::string& url, const std::string& body) {
    std::string answer;
    FImpl->sinkText = &answer;
    FImpl->onBegin = nullptr;
    FImpl->onData = nullptr;
    FImpl->work.handler = nullptr;
    FImpl->postBody = &body;
    Perform(url);
    return answer;
}

void HttpClient::Get(const std::string& url, const BeginHandler& onBegin, const DataHandler& onData,
                     const WorkHandler& onWork) {
    FImpl->sinkText = nullptr;
    FImpl->onBegin = &onBegin;
    FImpl->onData = &onData;
    FImpl->work.handler = &onWork;
    FImpl->work.granularity = FWorkGranularity;
    FImpl->postBody = nullptr;
    Perform(url);
}

void HttpClient::Perform(const std::string& url) {
    Impl& impl = *FImpl;
    const int readTimeoutMs = FReadTimeoutMs;
    impl.begun = false;
    impl.status = 0;
    impl.announced = -1;
    impl.headers.clear();
    impl.errorBody.clear();
    impl.maxAnswer = FMaxAnswerSize;
    impl.work.Restart();
    if (impl.abort) impl.ThrowAborted();

    const std::wstring wideUrl = Wide(url);
    const UrlParts parts = CrackUrl(wideUrl);
    const std::string host = Narrow(parts.host);

    InternetHandle connection;
    connection.h = WinHttpConnect(impl.session, parts.host.c_str(), parts.port, 0);
    if (!connection.h) ThrowWinHttp(GetLastError(), Phase::Connect, host);

    Request request;
    const bool post = impl.postBody != nullptr;
    HINTERNET h = WinHttpOpenRequest(connection.h, post ? L"POST" : L"GET", parts.object.c_str(),
                                     nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     parts.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!h) ThrowWinHttp(GetLastError(), Phase::Connect, host);
    request.Attach(h);

    // Redirects are the caller's business; a closed connection after each
    // request when asked.
    DWORD features = WINHTTP_DISABLE_REDIRECTS;
    if (FCloseAfterRequest) features |= WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(h, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);

    // WinHTTP's own timers as well as the wait's: Wine does not bound the
    // wait for the headers by the receive time-out, only by its own option.
    const int wait = readTimeoutMs > 0 ? readTimeoutMs : 0;
    WinHttpSetTimeouts(h, 0, 60000, wait, wait);
    DWORD responseTimeout = wait > 0 ? static_cast<DWORD>(wait) : INFINITE;
    WinHttpSetOption(h, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof responseTimeout);

    ProxyChoice proxy = ChooseProxy(wideUrl, host);
    if (!proxy.direct) {
        WINHTTP_PROXY_INFO info{};
        info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        info.lpszProxy = proxy.proxy.data();
        info.lpszProxyBypass = proxy.bypass.empty() ? nullptr : proxy.bypass.data();
        WinHttpSetOption(h, WINHTTP_OPTION_PROXY, &info, sizeof info);
    }

    // FCaFile is not used here: WinHTTP checks certificates only against
    // the system's store (docs/DECISIONS.md, "WinHTTP errors").

    std::wstring headers;
    for (const auto& [name, value] : FHeaders)
        headers += Wide(name) + L": " + Wide(value) + L"\r\n";
    if (!headers.empty() &&
        !WinHttpAddRequestHeaders(h, headers.c_str(), static_cast<DWORD>(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
        ThrowWinHttp(GetLastError(), Phase::Connect, host);

    std::string& body = request.State().body;
    if (post) body = *impl.postBody;
    LPVOID data = post ? body.data() : WINHTTP_NO_REQUEST_DATA;
    const DWORD length = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length,
                            reinterpret_cast<DWORD_PTR>(&request.State())))
        ThrowWinHttp(GetLastError(), Phase::Connect, host);
    impl.Wait(request, readTimeoutMs, Phase::Connect, host);

    if (!WinHttpReceiveResponse(h, nullptr)) ThrowWinHttp(GetLastError(), Phase::Headers, host);
    impl.Wait(request, readTimeoutMs, Phase::Headers, host);

    DWORD status = 0, size = sizeof status;
    WinHttpQueryHeaders(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    impl.status = static_cast<long>(status);
    impl.announced = ContentLength(h);
    impl.headers = RawHeaders(h);

    std::string& piece = request.State().piece;
    piece.resize(kReadPiece);
    for (;;) {
        if (impl.abort) impl.ThrowAborted();
        // Asking what has arrived first, then reading only that: Wine reads
        // a larger piece in the caller's thread until it is full, beyond the
        // reach of Disconnect.
        if (!WinHttpQueryDataAvailable(h, nullptr)) ThrowWinHttp(GetLastError(), Phase::Body, host);
        impl.Wait(request, readTimeoutMs, Phase::Body, host);
        const DWORD available = request.State().bytes;
        if (available == 0) break;
        const DWORD want = available < kReadPiece ? available : kReadPiece;
        if (!WinHttpReadData(h, piece.data(), want, nullptr))
            ThrowWinHttp(GetLastError(), Phase::Body, host);
        impl.Wait(request, readTimeoutMs, Phase::Body, host);
        const DWORD n = request.State().bytes;
        if (n == 0) break;
        impl.Write(piece.data(), n);
    }
    if (!impl.begun) impl.Begin();
    // WinHTTP ends a body cut short like a whole one.
    const int64_t bodyBytes =
        impl.Is2xx() ? impl.work.received : static_cast<int64_t>(impl.errorBody.size());
    if (impl.announced >= 0 && bodyBytes < impl.announced)
        throw HttpError(HttpError::Kind::Incomplete, "Connection closed gracefully.");
    if (!impl.Is2xx()) impl.ThrowStatus();
    impl.ReportWork(true);
}

} // namespace platform
