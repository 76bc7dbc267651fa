// lib/upgrade/vyHTTP.h
// Unit vyHTTP: a small HTTP client over the system's WinInet. TvyLoginComponent keeps a
// user name and password and stores them scrambled ("LInfo"); TvyCustomHTTP runs one
// request at a time on its own TvyCustomThread and reports progress and results as events
// on the main thread. Also the unit's shared helpers: URL splitting, host and file name of a
// URL, the content type of an extension, and the online test.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vyHTTPText.h"
#include "vyThread.h"

// --- TvyLoginComponent -----------------------------------------------------------------

class TvyLoginComponent : public TvyComponent {
public:
    TG_DECLARE_CLASS()
    explicit TvyLoginComponent(TComponent* owner);

    // Through the virtual accessors, so that a descendant can forward both values.
    std::string HTTPUsername() const { return GetHTTPUsername(); }
    std::string HTTPPassword() const { return GetHTTPPassword(); }

    bool ReadDefinedProperty(const std::string& name, const TFormValue& value) override;
    void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const override;
    void Loaded() override;

    // Short strings: longer values are cut to 255 characters.
    virtual std::string GetHTTPUsername() const;
    virtual void SetHTTPUsername(const std::string& value);
    virtual std::string GetHTTPPassword() const;
    virtual void SetHTTPPassword(const std::string& value);

private:
    std::string FHTTPUsername;
    std::string FHTTPPassword;
};

// --- Settings objects ------------------------------------------------------------------

enum class TvyHTTPAccessType { atPreconfig, atDirect, atUseProxy };

class TvyHTTPProxy : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr TvyHTTPAccessType DefaultAccessType = TvyHTTPAccessType::atPreconfig;
    static constexpr int DefaultProxyPort = 8080;
    static constexpr const char* DefaultProxyBypass = "127.0.0.1;";

    TvyHTTPAccessType AccessType() const noexcept { return FAccessType; }
    void SetAccessType(TvyHTTPAccessType value) noexcept { FAccessType = value; }
    int ProxyPort() const noexcept { return FProxyPort; }
    void SetProxyPort(int value) noexcept { FProxyPort = value; }
    const std::string& ProxyServer() const noexcept { return FProxyServer; }
    void SetProxyServer(const std::string& value) { FProxyServer = value; }
    const std::string& ProxyBypass() const noexcept { return FProxyBypass; }
    void SetProxyBypass(const std::string& value) { FProxyBypass = value; }
    void Assign(const TPersistent& source) override;

private:
    TvyHTTPAccessType FAccessType = DefaultAccessType;
    int FProxyPort = DefaultProxyPort;
    std::string FProxyServer;
    std::string FProxyBypass = DefaultProxyBypass;
};

class TvyHTTPRange : public TPersistent {
public:
    TG_DECLARE_CLASS()
    int StartRange() const noexcept { return FStartRange; }
    void SetStartRange(int value) noexcept { FStartRange = value; }
    int EndRange() const noexcept { return FEndRange; }
    void SetEndRange(int value) noexcept { FEndRange = value; }
    void Assign(const TPersistent& source) override;

private:
    int FStartRange = 0;
    int FEndRange = 0;
};

// --- TvyCustomHTTP ---------------------------------------------------------------------

// Automatic: POST when PostData is non-empty or a multipart upload is under way, else GET.
enum class TvyHTTPRequestMethod { rmAutomatic, rmGet, rmPost };

using TvyHTTPDoneEvent = TEvent<TObject*, const std::string& /*ContentType*/, int /*DataSize*/, TStream* /*Data*/>;
using TvyHTTPProgressEvent = TEvent<TObject*, const std::string& /*ContentType*/, int /*FileSize*/, int /*BytesRead*/,
                                    int /*ElapsedTime*/, int /*EstimatedTimeLeft*/, uint8_t /*PercentsDone*/,
                                    float /*TransferRate*/, TStream* /*Data*/>;
using TvyHTTPUploadProgressEvent = TEvent<TObject*, int /*FileSize*/, int /*BytesSent*/, int /*ElapsedTime*/,
                                          int /*EstimatedTimeLeft*/, uint8_t /*PercentsDone*/, float /*TransferRate*/>;
using TvyHTTPFormFieldEvent =
    TEvent<TObject*, int /*Index*/, TMemoryStream* /*Data*/, std::string& /*FieldName*/, std::string& /*FileName*/>;
using TvyHTTPConnLostEvent =
    TEvent<TObject*, const std::string& /*ContentType*/, int /*FileSize*/, int /*BytesRead*/, TStream* /*Data*/>;
using TvyHTTPErrorEvent = TEvent<TObject*, int /*StatusCode*/, TStream* /*Data*/>;
using TvyHTTPPasswordRequestEvent = TEvent<TObject*, bool& /*TryAgain*/>;

class TvyCustomHTTP : public TvyLoginComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr const char* DefaultAcceptTypes = "*/*";
    static constexpr const char* DefaultAgent = "vyHTTP component (www.pellory.example)";
    static constexpr int DefaultBufferSize = 4096;

    explicit TvyCustomHTTP(TComponent* owner);
    ~TvyCustomHTTP() override;

    // Settings.
    const std::string& URL() const noexcept { return FURL; }
    void SetURL(const std::string& value) { FURL = value; }
    // When set, the body goes to this file; an answer without a length is collected in
    // memory first and written once it is complete. Empty: the body stays in memory. Only
    // status 200 (or 206 for a range) is stored; any other answer is an HTTP error, its
    // body in memory.
    const std::string& FileName() const noexcept { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }
    const std::string& PostData() const noexcept { return FPostData; }
    void SetPostData(const std::string& value) { FPostData = value; }
    const std::string& Referer() const noexcept { return FReferer; }
    void SetReferer(const std::string& value) { FReferer = value; }
    const std::string& AcceptTypes() const noexcept { return FAcceptTypes; }
    void SetAcceptTypes(const std::string& value) { FAcceptTypes = value; }
    const std::string& Agent() const noexcept { return FAgent; }
    void SetAgent(const std::string& value) { FAgent = value; }
    bool UseCache() const noexcept { return FUseCache; }
    void SetUseCache(bool value) noexcept { FUseCache = value; }
    bool AcceptCookies() const noexcept { return FAcceptCookies; }
    void SetAcceptCookies(bool value) noexcept { FAcceptCookies = value; }
    bool Offline() const noexcept { return FOffline; }
    void SetOffline(bool value) noexcept { FOffline = value; }
    int BufferSize() const noexcept { return FBufferSize; }
    void SetBufferSize(int value) noexcept { FBufferSize = value; }
    TvyHTTPRequestMethod RequestMethod() const noexcept { return FRequestMethod; }
    void SetRequestMethod(TvyHTTPRequestMethod value) noexcept { FRequestMethod = value; }
    TStringList* Headers() const noexcept { return FHeaders.get(); }
    TvyHTTPRange* Range() const noexcept { return FRange.get(); }
    TvyHTTPProxy* Proxy() const noexcept { return FProxy.get(); }
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);
    // 0: no bound. Otherwise a body longer than this many bytes (announced or read) ends
    // the transfer as a failure, reported by OnFailed alone, before it is held whole.
    int MaxBodySize() const noexcept { return FMaxBodySize; }
    void SetMaxBodySize(int value) noexcept { FMaxBodySize = value; }

    // Results: written by the transfer, valid inside the events.
    int StatusCode() const noexcept { return FStatusCode; }
    const std::string& ContentType() const noexcept { return FContentType; }
    int FileSize() const noexcept { return FFileSize; }
    int BytesRead() const noexcept { return FBytesRead; }
    TStream* Data() const noexcept { return FData; }
    uint8_t PercentsDone() const noexcept { return FFigures.PercentsDone; }
    int ElapsedTime() const noexcept { return FFigures.ElapsedTime; }
    int EstimatedTimeLeft() const noexcept { return FFigures.EstimatedTimeLeft; }
    float TransferRate() const noexcept { return FFigures.TransferRate; }

    // Starts a transfer by RequestMethod and PostData; False, and nothing changes, when Busy.
    virtual bool Get();
    // Builds a multipart body of fieldCount fields from OnFormField and sends it. False when
    // Busy; True without sending anything when OnFormField is not set.
    virtual bool PostForm(uint16_t fieldCount);
    // Ends a running transfer at once (OnAborted), releases the handles and destroys Data.
    // A partly written output file stays on disk. A transfer whose job has already ended
    // is not cut off: its finish step still reports it.
    virtual void Abort();
    // A transfer is running (or was started from an event and begins when the events end).
    bool Busy() const;
    // Inside the finish step's OnFailed: no other event follows it (the job raised, or its
    // output file could not be made), so whoever waits for an outcome hears it only there.
    bool FailedAlone() const noexcept { return FInReport && (FRaised || (FSuccess && !FData)); }

    // The worker, for diagnostics and tests.
    TvyCustomThread* Worker() const noexcept { return FWorker; }

    TvyHTTPDoneEvent OnDone;
    TvyHTTPProgressEvent OnProgress;
    TvyHTTPUploadProgressEvent OnUploadProgress;
    TvyHTTPFormFieldEvent OnFormField;
    TNotifyEvent OnFailed;
    TNotifyEvent OnAborted;
    TvyHTTPConnLostEvent OnConnLost;
    TvyHTTPErrorEvent OnHTTPError;
    TvyHTTPPasswordRequestEvent OnPasswordRequest;
    TNotifyEvent OnHostUnreachable;

protected:
    // On the worker thread.
    virtual void TransferJob(TObject* sender);
    // On the main thread, after the job.
    virtual void ExceptionStep(TObject* sender);
    virtual void FinishStep(TObject* sender);
    // On the main thread, through the worker's Synchronize.
    virtual void ProgressStep();
    virtual void UploadProgressStep();

private:
    // What a transfer is made of, taken on the main thread when it starts: the job never
    // reads a setting the main thread may be changing.
    struct TRequest {
        std::string URL, User, Password, Referer, AcceptTypes, Agent, PostData, Headers;
        TvyHTTPAccessType AccessType = TvyHTTPAccessType::atPreconfig;
        std::string ProxyServer, ProxyBypass;
        int ProxyPort = 0;
        bool UseCache = true, AcceptCookies = true, Offline = false, Multipart = false, Post = false;
        bool ToFile = false, ReportProgress = false, ReportUpload = false, RangeAsked = false;
        std::string FileName, MultipartContentType;
        int BufferSize = DefaultBufferSize;
        int MaxBody = 0;
    };

    void Start();
    void Begin();
    void Release();
    void DestroyData();
    bool Send(const TRequest& r);
    void ReadBody(const TRequest& r);
    void SaveToFile(const std::string& name);

    std::string FURL, FFileName, FPostData, FReferer;
    std::string FAcceptTypes = DefaultAcceptTypes;
    std::string FAgent = DefaultAgent;
    bool FUseCache = true;
    bool FAcceptCookies = true;
    bool FOffline = false;
    int FBufferSize = DefaultBufferSize;
    int FMaxBodySize = 0;
    TvyHTTPRequestMethod FRequestMethod = TvyHTTPRequestMethod::rmAutomatic;
    TOwnedPtr<TStringList> FHeaders;
    TOwnedPtr<TvyHTTPRange> FRange;
    TOwnedPtr<TvyHTTPProxy> FProxy;

    std::atomic<int> FStatusCode{-1};
    std::string FContentType;
    std::atomic<int> FFileSize{0};
    std::atomic<int> FBytesRead{0};
    TStream* FData = nullptr;
    TvyTransferFigures FFigures;

    bool FSuccess = false;
    bool FReadFailed = false; // the system reported an error, not the end of the body
    HINTERNET FSession = nullptr;
    HINTERNET FConnection = nullptr;
    HINTERNET FRequestHandle = nullptr;
    std::vector<char> FBuffer;
    std::string FMultipartContentType;
    bool FMultipart = false;
    DWORD FStartTick = 0;
    TvyCustomThread* FWorker = nullptr;

    TRequest FRequest;
    // False once the destructor has run; the steps look here after every event, since a
    // handler may destroy the component.
    std::shared_ptr<bool> FAlive;
    bool FRaised = false;       // the job ended in an exception (reported once already)
    bool FInReport = false;     // the finish step is running its events
    bool FStartPending = false; // a transfer was asked for from one of those events
    uint16_t FLastFieldCount = 0;
    TOwnedPtr<TMemoryStream> FPendingBody;
};

// --- Helpers ---------------------------------------------------------------------------

struct TvyURLParts {
    std::string Scheme, Host, User, Password, Path, Extra;
    INTERNET_PORT Port = 0;
};

// Splits a URL with InternetCrackUrlA ("http://" assumed when it holds no "://"). False,
// and parts unchanged, when the system cannot split it.
bool SplitURL(const std::string& url, TvyURLParts& parts);
// The host part of the URL; empty when it cannot be split.
std::string URLHost(const std::string& url);
// The file name at the end of a URL (see FileNameOfURL).
std::string URLFileName(const std::string& url);
// The registered content type of a file extension; "application/octet-stream" by default.
std::string ContentTypeOfExtension(const std::string& extension);
// Whether the machine is on line: the remote-access connection state, else whether the
// machine's own host name resolves to an address other than 127.0.0.1.
bool IsOnline();
