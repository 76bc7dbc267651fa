// lib/upgrade/vyHTTP.cpp
#include "vyHTTP.h"

#include <winsock.h>

#include <algorithm>
#include <cstring>

#include "FormText.h"
#include "Registry.h"

namespace {

// WinInet values, spelled out where the Windows 95 era headers may lack the name.
constexpr DWORD CacheOffFlags = 0x84000100;  // RELOAD | NO_CACHE_WRITE | PRAGMA_NOCACHE
constexpr DWORD NoCookiesFlag = 0x00080000;  // INTERNET_FLAG_NO_COOKIES
constexpr DWORD SecureFlag = 0x00800000;     // INTERNET_FLAG_SECURE
constexpr DWORD OfflineFlag = 0x01000000;    // INTERNET_FLAG_OFFLINE
constexpr DWORD EscapeFlag = 0x80000000;     // ICU_ESCAPE
constexpr DWORD AddHeaderFlag = 0x20000000;  // HTTP_ADDREQ_FLAG_ADD
constexpr DWORD InitiateFlag = 8;            // HSR_INITIATE
constexpr DWORD QueryBufferSize = 4096;
const char FormContentType[] = "Content-Type: application/x-www-form-urlencoded"; // 47 characters

[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TvyLoginComponent::StaticClassInfo());
    return true;
}();

// The body written to a file.
class TvyFileStream : public TStream {
public:
    static TvyFileStream* Create(const std::string& name)
    {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : new TvyFileStream(h);
    }
    ~TvyFileStream() override { CloseHandle(FHandle); }

    long Read(void* buffer, long count) override
    {
        DWORD done = 0;
        if (count <= 0 || !ReadFile(FHandle, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
        return static_cast<long>(done);
    }
    long Write(const void* buffer, long count) override
    {
        DWORD done = 0;
        if (count <= 0 || !WriteFile(FHandle, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
        return static_cast<long>(done);
    }
    long Seek(long offset, TSeekOrigin origin) override
    {
        const DWORD method = origin == TSeekOrigin::Beginning ? FILE_BEGIN
                             : origin == TSeekOrigin::Current ? FILE_CURRENT
                                                              : FILE_END;
        DWORD pos = SetFilePointer(FHandle, offset, nullptr, method);
        return pos == 0xFFFFFFFF ? -1 : static_cast<long>(pos);
    }
    void SetSize(long size) override
    {
        SetPosition(size);
        if (!SetEndOfFile(FHandle)) throw EStreamError("Stream size cannot be changed");
    }

private:
    explicit TvyFileStream(HANDLE handle) : FHandle(handle) {}
    HANDLE FHandle;
};

std::string QueryText(HINTERNET request, DWORD level, bool& ok)
{
    char buffer[QueryBufferSize] = {};
    DWORD length = QueryBufferSize;
    DWORD index = 0;
    ok = HttpQueryInfoA(request, level, buffer, &length, &index) != FALSE;
    if (!ok) return {};
    return std::string(buffer, std::min<DWORD>(length, QueryBufferSize - 1));
}

std::string DateTimeText()
{
    char date[128] = {}, time[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date - 1);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time - 1);
    return std::string(date) + " " + time;
}

void CloseInternetHandle(HINTERNET& handle)
{
    if (handle) InternetCloseHandle(handle);
    handle = nullptr;
}

} // namespace

// --- TvyLoginComponent -----------------------------------------------------------------

const TClassInfo& TvyLoginComponent::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TvyLoginComponent", &TvyComponent::StaticClassInfo(), &CreateComponentOf<TvyLoginComponent>, {}, {}};
        i.Props.push_back(AboutProp());
        return i;
    }();
    return info;
}

TvyLoginComponent::TvyLoginComponent(TComponent* owner) : TvyComponent(owner) {}

std::string TvyLoginComponent::GetHTTPUsername() const
{
    return FHTTPUsername;
}

void TvyLoginComponent::SetHTTPUsername(const std::string& value)
{
    FHTTPUsername = value.substr(0, VyCredentialMax);
}

std::string TvyLoginComponent::GetHTTPPassword() const
{
    return FHTTPPassword;
}

void TvyLoginComponent::SetHTTPPassword(const std::string& value)
{
    FHTTPPassword = value.substr(0, VyCredentialMax);
}

bool TvyLoginComponent::ReadDefinedProperty(const std::string& name, const TFormValue& value)
{
    if (name != "LInfo") return TvyComponent::ReadDefinedProperty(name, value);
    if (value.Kind != TFormValueKind::Binary) throw EvyLInfoError("LInfo must be binary data");
    // Kept as read; Loaded passes both through the setters once the form is complete.
    DecodeLInfo(value.Binary.data(), value.Binary.size(), FHTTPUsername, FHTTPPassword);
    return true;
}

void TvyLoginComponent::WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const
{
    TvyComponent::WriteDefinedProperties(out);
    const std::string user = GetHTTPUsername();
    const std::string password = GetHTTPPassword();
    if (user.empty() && password.empty()) return;
    TFormValue v;
    v.Kind = TFormValueKind::Binary;
    v.Binary = EncodeLInfo(user, password);
    out.emplace_back("LInfo", std::move(v));
}

void TvyLoginComponent::Loaded()
{
    TvyComponent::Loaded();
    const std::string user = FHTTPUsername;
    const std::string password = FHTTPPassword;
    SetHTTPUsername(user);
    SetHTTPPassword(password);
}

// --- Settings objects ------------------------------------------------------------------

const TClassInfo& TvyHTTPProxy::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TvyHTTPProxy", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(EnumProp("AccessType", &TvyHTTPProxy::AccessType, &TvyHTTPProxy::SetAccessType,
                                   {"atPreconfig", "atDirect", "atUseProxy"}, std::optional(DefaultAccessType)));
        i.Props.push_back(IntProp("ProxyPort", &TvyHTTPProxy::ProxyPort, &TvyHTTPProxy::SetProxyPort,
                                  std::optional<long long>(DefaultProxyPort)));
        auto server = StrProp<TvyHTTPProxy>("ProxyServer", &TvyHTTPProxy::ProxyServer, &TvyHTTPProxy::SetProxyServer);
        server.Stored = [](const TPersistent& o) {
            const auto& p = static_cast<const TvyHTTPProxy&>(o);
            return p.AccessType() == TvyHTTPAccessType::atUseProxy && !p.ProxyServer().empty();
        };
        i.Props.push_back(std::move(server));
        auto bypass = StrProp<TvyHTTPProxy>("ProxyBypass", &TvyHTTPProxy::ProxyBypass, &TvyHTTPProxy::SetProxyBypass,
                                            std::string(DefaultProxyBypass));
        bypass.Stored = [](const TPersistent& o) {
            return static_cast<const TvyHTTPProxy&>(o).AccessType() == TvyHTTPAccessType::atUseProxy;
        };
        i.Props.push_back(std::move(bypass));
        return i;
    }();
    return info;
}

void TvyHTTPProxy::Assign(const TPersistent& source)
{
    if (auto* p = dynamic_cast<const TvyHTTPProxy*>(&source)) {
        FAccessType = p->FAccessType;
        FProxyPort = p->FProxyPort;
        FProxyServer = p->FProxyServer;
        FProxyBypass = p->FProxyBypass;
        return;
    }
    TPersistent::Assign(source);
}

const TClassInfo& TvyHTTPRange::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TvyHTTPRange", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(IntProp("StartRange", &TvyHTTPRange::StartRange, &TvyHTTPRange::SetStartRange,
                                  std::optional<long long>(0)));
        i.Props.push_back(
            IntProp("EndRange", &TvyHTTPRange::EndRange, &TvyHTTPRange::SetEndRange, std::optional<long long>(0)));
        return i;
    }();
    return info;
}

void TvyHTTPRange::Assign(const TPersistent& source)
{
    if (auto* r = dynamic_cast<const TvyHTTPRange*>(&source)) {
        FStartRange = r->FStartRange;
        FEndRange = r->FEndRange;
        return;
    }
    TPersistent::Assign(source);
}

// --- TvyCustomHTTP ---------------------------------------------------------------------

const TClassInfo& TvyCustomHTTP::StaticClassInfo()
{
    static const TClassInfo info{"TvyCustomHTTP", &TvyLoginComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyCustomHTTP::TvyCustomHTTP(TComponent* owner)
    : TvyLoginComponent(owner), FHeaders(new TStringList), FRange(new TvyHTTPRange), FProxy(new TvyHTTPProxy),
      FAlive(std::make_shared<bool>(true))
{
    FWorker = new TvyCustomThread(this);
    FWorker->OnExecute = [this](TObject* sender) { TransferJob(sender); };
    FWorker->OnException = [this](TObject* sender) { ExceptionStep(sender); };
    FWorker->OnFinish = [this](TObject* sender) { FinishStep(sender); };
}

TvyCustomHTTP::~TvyCustomHTTP()
{
    // Marked first, so that ending a running transfer here reports nothing.
    Destroying();
    Abort();
    FRange.reset();
    FProxy.reset();
    FHeaders.reset();
    if (FWorker) FWorker->Free();
    FWorker = nullptr;
    *FAlive = false;
}

TThreadPriority TvyCustomHTTP::Priority() const
{
    return FWorker->Priority();
}

void TvyCustomHTTP::SetPriority(TThreadPriority value)
{
    FWorker->SetPriority(value);
}

bool TvyCustomHTTP::Busy() const
{
    return FWorker->Executing() || FStartPending;
}

bool TvyCustomHTTP::Get()
{
    if (Busy()) return false;
    FMultipart = false;
    FPendingBody.reset();
    Start();
    return true;
}

bool TvyCustomHTTP::PostForm(uint16_t fieldCount)
{
    if (Busy()) return false;
    if (!OnFormField) return true;
    FLastFieldCount = fieldCount;
    const std::string boundary = MultipartBoundary(DateTimeText());
    const std::string contentType = MultipartContentTypeLine(boundary);
    TOwnedPtr<TMemoryStream> body(new TMemoryStream);
    TOwnedPtr<TMemoryStream> scratch(new TMemoryStream);
    std::shared_ptr<bool> alive = FAlive;
    for (int index = 0; index < fieldCount; ++index) {
        std::string fieldName, fileName;
        scratch->Clear();
        OnFormField(this, index, scratch.get(), fieldName, fileName);
        if (!*alive) return false; // the handler destroyed us
        const std::string type = fileName.empty() ? std::string() : ContentTypeOfExtension(ExtensionOf(fileName));
        const std::string head = MultipartPartHead(boundary, fieldName, fileName, type);
        body->WriteBuffer(head.data(), static_cast<long>(head.size()));
        if (scratch->Size() > 0) body->CopyFrom(*scratch, 0);
        body->WriteBuffer("\r\n", 2);
    }
    scratch.reset();
    const std::string end = MultipartEnd(boundary);
    body->WriteBuffer(end.data(), static_cast<long>(end.size()));
    FMultipartContentType = contentType;
    FPendingBody = std::move(body);
    FMultipart = true;
    Start();
    return true;
}

void TvyCustomHTTP::Start()
{
    // Inside the events of the finish step the old transfer's results are still in use:
    // the new one begins once they are over.
    if (FInReport) {
        FStartPending = true;
        return;
    }
    Begin();
}

void TvyCustomHTTP::Begin()
{
    TRequest r;
    r.URL = FURL;
    r.User = GetHTTPUsername();
    r.Password = GetHTTPPassword();
    r.Referer = FReferer;
    r.AcceptTypes = FAcceptTypes;
    r.Agent = FAgent;
    r.PostData = FPostData;
    r.Headers = ExtraRequestHeaders(FHeaders->Items(), FRange->StartRange(), FRange->EndRange());
    r.AccessType = FProxy->AccessType();
    r.ProxyServer = FProxy->ProxyServer();
    r.ProxyBypass = FProxy->ProxyBypass();
    r.ProxyPort = FProxy->ProxyPort();
    r.UseCache = FUseCache;
    r.AcceptCookies = FAcceptCookies;
    r.Offline = FOffline;
    r.Multipart = FMultipart;
    r.MultipartContentType = FMultipartContentType;
    r.Post = FRequestMethod == TvyHTTPRequestMethod::rmPost ||
             (FRequestMethod == TvyHTTPRequestMethod::rmAutomatic && (!FPostData.empty() || FMultipart));
    r.FileName = FFileName;
    r.ToFile = !FFileName.empty();
    r.RangeAsked = FRange->StartRange() != 0 || FRange->EndRange() != 0;
    r.ReportProgress = static_cast<bool>(OnProgress);
    r.ReportUpload = static_cast<bool>(OnUploadProgress);
    // A buffer of nothing would read nothing for ever.
    r.BufferSize = FBufferSize > 0 ? FBufferSize : DefaultBufferSize;
    r.MaxBody = FMaxBodySize;

    // Whatever an earlier run left (one ended before its finish step) goes first.
    Release();
    DestroyData();
    if (FMultipart) FData = FPendingBody.release();
    FPendingBody.reset();
    FRequest = std::move(r);
    FRaised = false;
    FSuccess = false;
    FWorker->Execute();
}

void TvyCustomHTTP::Abort()
{
    FStartPending = false;
    FPendingBody.reset();
    const bool running = FWorker->Executing();
    if (running)
        FWorker->Stop(true);
    else if (FWorker->Finishing() && !FInReport && !IsDestroying())
        return; // a run that has ended still reports; its finish step releases everything
    std::shared_ptr<bool> alive = FAlive;
    if (running && OnAborted && !IsDestroying()) {
        OnAborted(this);
        if (!*alive) return;
    }
    Release();
    DestroyData();
}

void TvyCustomHTTP::Release()
{
    FBuffer.clear();
    FBuffer.shrink_to_fit();
    if (FData) FData->SetPosition(0);
    CloseInternetHandle(FRequestHandle);
    CloseInternetHandle(FConnection);
    CloseInternetHandle(FSession);
}

void TvyCustomHTTP::DestroyData()
{
    // Unlinked before it is freed: a worker ended in between leaves a leak, never a dangling
    // pointer.
    TStream* data = FData;
    FData = nullptr;
    if (data) data->Free();
}

void TvyCustomHTTP::TransferJob(TObject*)
{
    const TRequest& r = FRequest;
    FStatusCode = -1;
    FContentType.clear();
    FStartTick = GetTickCount();
    FSuccess = true;

    TvyURLParts url;
    if (!SplitURL(r.URL, url)) {
        FSuccess = false;
        return;
    }
    if (url.User.empty()) url.User = r.User;
    if (url.Password.empty()) url.Password = r.Password;

    DWORD access = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    const char* proxyText = nullptr;
    const char* bypassText = nullptr;
    if (r.AccessType == TvyHTTPAccessType::atDirect) access = INTERNET_OPEN_TYPE_DIRECT;
    if (r.AccessType == TvyHTTPAccessType::atUseProxy) {
        access = INTERNET_OPEN_TYPE_PROXY;
        proxy = r.ProxyServer + ":" + IntToStr(r.ProxyPort);
        proxyText = proxy.c_str();
        if (!r.ProxyBypass.empty()) bypassText = r.ProxyBypass.c_str();
    }
    FSession = InternetOpenA(r.Agent.c_str(), access, proxyText, bypassText, r.Offline ? OfflineFlag : 0);
    if (!FSession) {
        FSuccess = false;
        return;
    }
    FConnection = InternetConnectA(FSession, url.Host.c_str(), url.Port, url.User.empty() ? nullptr : url.User.c_str(),
                                   url.Password.empty() ? nullptr : url.Password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
    if (!FConnection) {
        FSuccess = false;
        return;
    }

    DWORD flags = 0;
    if (url.Scheme == "https") flags |= SecureFlag;
    if (!r.UseCache) flags |= CacheOffFlags;
    if (!r.AcceptCookies) flags |= NoCookiesFlag;
    const char* acceptTypes[] = {r.AcceptTypes.c_str(), nullptr};
    const std::string object = url.Path + url.Extra;
    FRequestHandle = HttpOpenRequestA(FConnection, r.Post ? "POST" : "GET", object.c_str(), nullptr,
                                      r.Referer.empty() ? nullptr : r.Referer.c_str(),
                                      r.AcceptTypes.empty() ? nullptr : acceptTypes, flags, 0);
    if (!FRequestHandle) {
        FSuccess = false;
        return;
    }
    std::string headers = r.Headers;
    // A streamed form cannot be sent again when the server asks for the credentials after
    // seeing it (the system answers such a challenge only for requests it can replay), so
    // credentials known for a form go with it at once.
    if (r.Multipart && (!url.User.empty() || !url.Password.empty()))
        headers += BasicAuthorizationLine(url.User, url.Password);
    if (!headers.empty() &&
        !HttpAddRequestHeadersA(FRequestHandle, headers.c_str(), static_cast<DWORD>(headers.size()), AddHeaderFlag)) {
        FSuccess = false;
        return;
    }
    if (!Send(r)) {
        FSuccess = false;
        return;
    }

    bool ok = false;
    FStatusCode = ParseStatusCode(QueryText(FRequestHandle, HTTP_QUERY_STATUS_CODE, ok));
    FContentType = QueryText(FRequestHandle, HTTP_QUERY_CONTENT_TYPE, ok);
    bool lengthKnown = false;
    const std::string length = QueryText(FRequestHandle, HTTP_QUERY_CONTENT_LENGTH, lengthKnown);
    // A length that is not a number raises; the exception step reports it.
    FFileSize = lengthKnown ? ParseContentLength(length) : 0;
    if (r.MaxBody > 0 && FFileSize > r.MaxBody) throw Exception("The body is larger than allowed");

    // An error page is never stored as the file asked for: it comes in memory and is
    // reported with its status.
    const bool storable = FStatusCode == 200 || (FStatusCode == 206 && r.RangeAsked);
    const bool toFile = r.ToFile && storable;
    if (lengthKnown) {
        if (toFile) {
            TvyFileStream* file = TvyFileStream::Create(r.FileName);
            // Success stays set and there is no Data: reported as OnFailed alone.
            if (!file) return;
            FData = file;
        } else {
            TOwnedPtr<TMemoryStream> memory(new TMemoryStream);
            memory->SetSize(FFileSize);
            memory->SetPosition(0);
            FData = memory.release();
        }
    } else
        FData = new TMemoryStream;
    ReadBody(r);
    if (lengthKnown)
        FSuccess = FData && FBytesRead == FFileSize && (storable || !r.ToFile);
    else
        // Without a length only the connection's orderly end ends the body: a read error
        // is a body cut short.
        FSuccess = !FReadFailed && (FStatusCode == 200 || (toFile && FStatusCode == 206));
    // Without a length the body had to be read into memory; a file was asked for, so it
    // is written out now rather than reported done and never stored.
    if (FSuccess && !lengthKnown && toFile) SaveToFile(r.FileName);
}

void TvyCustomHTTP::SaveToFile(const std::string& name)
{
    auto* memory = dynamic_cast<TMemoryStream*>(FData);
    if (!memory) return;
    TOwnedPtr<TvyFileStream> file(TvyFileStream::Create(name));
    if (!file) {
        // As with a known length: success stays set, no Data, reported as OnFailed alone.
        DestroyData();
        return;
    }
    file->WriteBuffer(memory->Memory(), memory->Size()); // a short write raises
    DestroyData();
    FData = file.release();
}

bool TvyCustomHTTP::Send(const TRequest& r)
{
    if (r.Multipart) {
        auto* body = dynamic_cast<TMemoryStream*>(FData);
        if (!body) return false;
        const long size = body->Size();
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpcszHeader = r.MultipartContentType.c_str();
        buffers.dwHeadersLength = static_cast<DWORD>(r.MultipartContentType.size());
        buffers.dwHeadersTotal = buffers.dwHeadersLength;
        buffers.dwBufferTotal = static_cast<DWORD>(size);
        if (!HttpSendRequestExA(FRequestHandle, &buffers, nullptr, InitiateFlag, 0)) return false;
        FFileSize = static_cast<int>(size);
        FBytesRead = 0;
        long offset = 0;
        while (offset < size) {
            const DWORD chunk = static_cast<DWORD>(std::min<long>(r.BufferSize, size - offset));
            DWORD written = 0;
            if (!InternetWriteFile(FRequestHandle, body->Memory() + offset, chunk, &written) || written == 0) break;
            offset += static_cast<long>(written);
            FBytesRead += static_cast<int>(written);
            if (r.ReportUpload) FWorker->Synchronize([this] { UploadProgressStep(); });
        }
        DestroyData();
        HttpEndRequestA(FRequestHandle, nullptr, 0, 0);
        return true;
    }
    if (r.Post)
        return HttpSendRequestA(FRequestHandle, FormContentType, sizeof FormContentType - 1,
                                const_cast<char*>(r.PostData.data()), static_cast<DWORD>(r.PostData.size())) != FALSE;
    return HttpSendRequestA(FRequestHandle, nullptr, 0, nullptr, 0) != FALSE;
}

void TvyCustomHTTP::ReadBody(const TRequest& r)
{
    FBytesRead = 0;
    FReadFailed = false;
    FBuffer.assign(static_cast<size_t>(r.BufferSize), 0);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(FRequestHandle, FBuffer.data(), static_cast<DWORD>(r.BufferSize), &got)) {
            FReadFailed = true;
            break;
        }
        if (got == 0) break;
        if (r.MaxBody > 0 && FBytesRead + static_cast<long long>(got) > r.MaxBody) throw Exception("The body is larger than allowed");
        FData->WriteBuffer(FBuffer.data(), static_cast<long>(got));
        FBytesRead += static_cast<int>(got);
        if (r.ReportProgress) FWorker->Synchronize([this] { ProgressStep(); });
    }
}

void TvyCustomHTTP::ProgressStep()
{
    FFigures = TransferFigures(FFileSize, FBytesRead, GetTickCount() - FStartTick);
    OnProgress(this, FContentType, FFileSize, FBytesRead, FFigures.ElapsedTime, FFigures.EstimatedTimeLeft,
               FFigures.PercentsDone, FFigures.TransferRate, FData);
}

void TvyCustomHTTP::UploadProgressStep()
{
    FFigures = TransferFigures(FFileSize, FBytesRead, GetTickCount() - FStartTick);
    OnUploadProgress(this, FFileSize, FBytesRead, FFigures.ElapsedTime, FFigures.EstimatedTimeLeft,
                     FFigures.PercentsDone, FFigures.TransferRate);
}

void TvyCustomHTTP::ExceptionStep(TObject*)
{
    FRaised = true;
    OnFailed(this);
}

void TvyCustomHTTP::FinishStep(TObject*)
{
    std::shared_ptr<bool> alive = FAlive;
    FInReport = true;
    try {
        Release();
        if (FRaised) {
            // Reported once already by the exception step; whatever was received is not
            // a success.
            OnFailed(this);
        } else if (FSuccess) {
            if (!FData) {
                OnFailed(this);
            } else {
                // The file is closed and complete before anyone hears of it.
                if (dynamic_cast<TvyFileStream*>(FData)) DestroyData();
                OnDone(this, FContentType, FBytesRead, FData);
            }
        } else {
            OnFailed(this);
            if (!*alive) return;
            const int status = FStatusCode;
            // For a range, 206 is the status of a whole answer.
            if (status == 200 || (status == 206 && FRequest.RangeAsked))
                OnConnLost(this, FContentType, FFileSize, FBytesRead, FData);
            else if (status == -1)
                OnHostUnreachable(this);
            else if (status == 401 && OnPasswordRequest) {
                bool tryAgain = false;
                OnPasswordRequest(this, tryAgain);
                if (*alive && tryAgain) {
                    DestroyData();
                    // A form goes again as a form, built afresh, not as a bare request.
                    if (FRequest.Multipart)
                        PostForm(FLastFieldCount);
                    else
                        Get();
                }
            } else
                OnHTTPError(this, status, FData);
        }
    } catch (...) {
        if (*alive) {
            // A throwing handler cancels a transfer it asked for.
            DestroyData();
            FInReport = false;
            FStartPending = false;
            FPendingBody.reset();
        }
        throw;
    }
    if (!*alive) return;
    // A memory stream handed to an event is valid only during that event.
    DestroyData();
    FInReport = false;
    if (FStartPending) {
        FStartPending = false;
        Begin();
    }
}

// --- Helpers ---------------------------------------------------------------------------

bool SplitURL(const std::string& url, TvyURLParts& parts)
{
    const std::string full = URLWithScheme(url);
    char scheme[33] = {}, host[257] = {}, user[129] = {}, password[129] = {}, path[2049] = {}, extra[2049] = {};
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    c.lpszScheme = scheme;
    c.dwSchemeLength = sizeof scheme;
    c.lpszHostName = host;
    c.dwHostNameLength = sizeof host;
    c.lpszUserName = user;
    c.dwUserNameLength = sizeof user;
    c.lpszPassword = password;
    c.dwPasswordLength = sizeof password;
    c.lpszUrlPath = path;
    c.dwUrlPathLength = sizeof path;
    c.lpszExtraInfo = extra;
    c.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(full.c_str(), 0, EscapeFlag, &c)) return false;
    // Each buffer ends in a zero the system wrote or the initialiser left.
    scheme[sizeof scheme - 1] = host[sizeof host - 1] = user[sizeof user - 1] = password[sizeof password - 1] = 0;
    path[sizeof path - 1] = extra[sizeof extra - 1] = 0;
    parts.Scheme = scheme;
    parts.Host = host;
    parts.User = user;
    parts.Password = password;
    parts.Path = path;
    parts.Extra = extra;
    parts.Port = c.nPort;
    return true;
}

std::string URLHost(const std::string& url)
{
    TvyURLParts parts;
    return SplitURL(url, parts) ? parts.Host : std::string();
}

std::string URLFileName(const std::string& url)
{
    return FileNameOfURL(url);
}

std::string ContentTypeOfExtension(const std::string& extension)
{
    const std::string key = NormalizeExtension(extension);
    TRegistry reg(HKEY_CLASSES_ROOT);
    if (key.empty() || !reg.OpenKeyReadOnly(key)) return "application/octet-stream";
    return reg.ReadString("Content Type").value_or("application/octet-stream");
}

bool IsOnline()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, KEY_QUERY_VALUE,
                      &key) == ERROR_SUCCESS) {
        DWORD value = 0;
        DWORD size = sizeof value;
        const LONG result =
            RegQueryValueExA(key, "Remote Connection", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        if (result == ERROR_SUCCESS && size == sizeof value) return value == 1;
    }

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return false;
    bool online = false;
    char name[64] = {};
    gethostname(name, sizeof name - 1);
    if (hostent* host = gethostbyname(name)) {
        if (host->h_addrtype == AF_INET && host->h_length == 4 && host->h_addr_list && host->h_addr_list[0]) {
            char** last = host->h_addr_list;
            while (last[1]) ++last;
            in_addr address;
            std::memcpy(&address, *last, sizeof address);
            const char* text = inet_ntoa(address);
            online = text && *text && std::strcmp(text, "127.0.0.1") != 0;
        }
    }
    WSACleanup();
    return online;
}
