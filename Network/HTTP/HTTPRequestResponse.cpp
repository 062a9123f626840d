#include "Network/HTTP/HTTPRequestClassState.h"

#include "Network/HTTP/HTTPAuthenticationDialog.h"
#include "Network/HTTP/HTTPDataCompressor.h"
#include "Network/HTTP/HTTPInputStream.h"
#include "Network/HTTP/Reachability.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/CFNetwork/MIMETypes.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sys/utsname.h>

using namespace HTTPRequestDetail;

// ---------------------------------------------------------------------------
// Response handling

void HTTPRequest::handleNetworkEvent(CFStreamEventType type)
{
    std::unique_lock lock(m_cancelledLock);
    if (m_complete || m_cancelled)
        return;
    auto keep = protect<HTTPRequest>();
    if (type == kCFStreamEventEndEncountered)
        handleStreamComplete();
    else if (type == kCFStreamEventErrorOccurred)
        handleStreamError();
    else if (type == kCFStreamEventHasBytesAvailable)
        handleBytesAvailable();
    performThrottling();
    lock.unlock();
    if (m_downloadComplete && m_needsRedirect) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
    } else if (m_downloadComplete && m_authenticationNeeded) {
        attemptToApplyCredentialsAndResume();
    }
}

void HTTPRequest::readResponseHeaders()
{
    m_authenticationNeeded = 0;
    auto message = m_readStream ? m_readStream->responseHeader() : nullptr;
    if (!message)
        return;
    {
        std::lock_guard lock(m_responseLock);
        m_responseHeaders = message->allHeaderFields();
        m_haveResponseHeaders = true;
        m_responseStatusMessage = message->responseStatusLine();
    }
    m_responseStatusCode = message->responseStatusCode();
    if (downloadCache && downloadCache->canUseCachedDataForRequest(*this)) {
        downloadCache->updateExpiryForRequestMaxAge(*this, secondsToCache);
        useDataFromCache();
        return;
    }
    int status = m_responseStatusCode;
    if (status == 401)
        m_authenticationNeeded = HTTPHTTPAuthenticationNeeded;
    else if (status == 407 && !proxyHost.empty())
        m_authenticationNeeded = HTTPProxyAuthenticationNeeded;  // only a proxy we were told to use may ask
    if (!m_authenticationNeeded && !m_requestAuthentication && authenticationScheme == kCFHTTPAuthenticationSchemeBasic
        && !username.empty() && !password.empty() && useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->credentials = std::make_shared<HTTPCredentials>(HTTPCredentials { username, password, std::nullopt });
        entry->url = m_url;
        entry->authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
        storeAuthenticationCredentialsInSessionStore(entry);
    }
    parseStringEncodingFromHeaders();
    auto cookies = NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(m_responseHeaders, m_url);
    {
        std::lock_guard lock(m_responseLock);
        m_responseCookies = cookies;
    }
    if (useCookiePersistence) {
        NSHTTPCookieStorage::sharedHTTPCookieStorage().setCookiesForURL(cookies, m_url);
        for (auto& cookie : cookies)
            addSessionCookie(cookie);
    }
    if (!willRedirect()) {
        auto main = mainRequest.lock();
        HTTPRequest& target = main ? *main : *this;
        auto lengthText = m_responseHeaders.value("Content-Length");
        if (lengthText) {
            uint64_t length = parseCPrefixedUnsigned(*lengthText);
            // The flags read are the reader's own: a queue clears its main request's download reset
            // when it adds the size probe, so the probe is the one left to book the size; reading the
            // main request's flags here would book it nowhere and let its bytes overrun the total.
            if (main && main->allowCompressedResponse && length == 20 && showAccurateProgress
                && shouldResetDownloadProgress) {
                main->showAccurateProgress = false;
                main->incrementDownloadSizeBy(1);
            } else {
                target.m_contentLength = length;
                if (showAccurateProgress && shouldResetDownloadProgress)
                    target.incrementDownloadSizeBy(static_cast<long long>(length + target.m_partialDownloadSize));
            }
        } else if (showAccurateProgress && shouldResetDownloadProgress) {
            target.showAccurateProgress = false;
            target.incrementDownloadSizeBy(1);
        }
    }
    if (shouldAttemptPersistentConnection) {
        std::string connection = NSString::lowercaseASCII(m_responseHeaders.value("Connection").value_or(""));
        if ((message->version() != kCFHTTPVersion1_0 || connection == "keep-alive") && connection != "close") {
            if (auto keepAlive = m_responseHeaders.value("Keep-Alive")) {
                // Either figure may be missing: a timeout alone still allows reuse.
                std::optional<int> timeout, max;
                size_t t = keepAlive->find("timeout=");
                if (t != std::string::npos)
                    timeout = std::atoi(keepAlive->c_str() + t + 8);
                size_t m = keepAlive->find("max=", t == std::string::npos ? 0 : t);
                if (m != std::string::npos)
                    max = std::atoi(keepAlive->c_str() + m + 4);
                if (!max || *max > 5) {
                    m_connectionCanBeReused = true;
                    if (timeout)
                        persistentConnectionTimeoutSeconds = *timeout;
                }
            } else {
                m_connectionCanBeReused = true;
            }
        }
    }
    requestReceivedResponseHeaders(m_responseHeaders);
}

bool HTTPRequest::willRedirect()
{
    int status = m_responseStatusCode;
    auto location = m_responseHeaders.value("Location");
    if (!shouldRedirect || !location || (status != 301 && status != 302 && status != 303 && status != 307))
        return false;
    auto target = CFURL::URLWithStringRelativeToURL(*location, m_url);
    if (!target)
        return false;  // a Location that names no URL is not followed
    requestRedirected();
    if (status == 307 || (shouldUseRFC2616RedirectBehaviour && status != 303)) {
        m_haveBuiltRequestHeaders = false;  // cookies of this response go on to the new place
        m_requestHeaders.remove("Cookie");
        applyCookieHeader();
        m_haveBuiltRequestHeaders = true;
    } else {
        m_requestMethod = "GET";
        m_postBody = nullptr;
        m_compressedPostBody = nullptr;
        postBodyFilePath.reset();
        m_postLength = 0;
        m_haveBuiltPostBody = false;
        HTTPHeaderFields kept;
        if (auto agent = m_requestHeaders.value("User-Agent"))
            kept.set("User-Agent", *agent);
        if (auto accept = m_requestHeaders.value("Accept"))
            kept.set("Accept", *accept);
        m_requestHeaders = kept;
        m_haveBuiltRequestHeaders = false;
    }
    m_redirectURL = target;
    m_needsRedirect = true;
    requestCookies.clear();
    return true;
}

void HTTPRequest::parseStringEncodingFromHeaders()
{
    uint32_t encoding = defaultResponseEncoding;
    std::string mime;
    parseMimeTypeAndResponseEncodingFromContentType(&mime, &encoding, m_responseHeaders.value("Content-Type"));
    m_responseEncoding = encoding;
}

bool HTTPRequest::isResponseCompressed() const
{
    // Content codings are case-insensitive tokens: "GZIP" and "x-gzip" are gzip too.
    std::lock_guard lock(m_responseLock);
    const std::string* encoding = m_responseHeaders.find("Content-Encoding");
    return encoding && NSString::lowercaseASCII(*encoding).find("gzip") != std::string::npos;
}

void HTTPRequest::handleBytesAvailable()
{
    if (!m_haveResponseHeaders)
        readResponseHeaders();
    if (m_complete || !m_readStream || !m_readStream->hasBytesAvailable())
        return;
    uint64_t length = m_contentLength;
    size_t bufferSize = length <= 65536 ? 16384 : length <= 262144 ? 65536 : 262144;
    if (isBandwidthThrottled()) {
        auto& s = classState();
        std::lock_guard throttle(s.throttleLock);
        if (s.maxBandwidthPerSecond > 0) {
            long long allowance
                = static_cast<long long>(s.maxBandwidthPerSecond) - static_cast<long long>(s.bandwidthUsedInLastSecond);
            if (allowance < 0)
                bufferSize = 1;
            else
                bufferSize = std::min<size_t>(bufferSize, static_cast<size_t>(allowance / 4));
            if (bufferSize < 1)
                bufferSize = 1;
        }
    }
    // The bytes are used where the stream holds them; the stream is kept for
    // as long as they are, even if a failure below lets go of it.
    auto stream = m_readStream;
    auto bytes = stream->readInPlace(bufferSize);
    if (bytes.empty()) {
        if (stream->status() == CFStreamStatus::Error)
            handleStreamError();
        return;
    }
    const long count = static_cast<long>(bytes.size());
    m_totalBytesRead += static_cast<uint64_t>(count);
    m_lastActivityTime = Clock::now();
    incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(count));
    if (m_needsRedirect && shouldRedirect && allowResumeForFileDownloads)
        return;  // the body of a redirect answer is not the download
    if (!isResponseCompressed() || shouldWaitToInflateCompressedResponses) {
        takeReceivedBytes(bytes.data(), bytes.size(), nullptr);
        return;
    }
    if (!m_dataDecompressor) {
        m_dataDecompressor = HTTPDataDecompressor::decompressor();
        m_dataDecompressor->setOutputLimit(maximumDecodedResponseSize);
    }
    // A few kilobytes of gzip can inflate to a thousand times their size:
    // inflated a slice at a time into one buffer kept for the purpose, no
    // piece holds much beside the body and none is allocated afresh.
    constexpr size_t inflateSlice = 4096;
    for (size_t offset = 0; offset < bytes.size(); offset += inflateSlice) {
        const size_t slice = std::min(inflateSlice, bytes.size() - offset);
        HTTPErrorRef error;
        if (!m_dataDecompressor->uncompressBytesInto(bytes.data() + offset, slice, m_inflatedPiece, &error)) {
            failWithError(error);
            return;
        }
        // The delegate may have cancelled the request with what it was given.
        if (!takeReceivedBytes(bytes.data() + offset, slice, &m_inflatedPiece) || m_cancelled || m_complete)
            return;
    }
}

bool HTTPRequest::takeReceivedBytes(const uint8_t* bytes, size_t length, const Data* inflated)
{
    auto del = m_delegate.lock();
    bool delegateTakesData = del && del->respondsToSelector(didReceiveDataSelector);
    if (m_dataReceivedBlock || delegateTakesData)
        passOnReceivedData(inflated ? *inflated : Data(bytes, bytes + length));
    if (downloadDestinationPath)
        return writeToDownloadFile(bytes, length, inflated);
    if (!m_rawResponseData)
        return true;
    Data& body = *m_rawResponseData;
    size_t adding = inflated ? inflated->size() : length;
    if (body.size() + adding > maximumDecodedResponseSize) {
        failWithError(HTTPResponseTooLargeError(maximumDecodedResponseSize));
        return false;
    }
    // A byte past the announced length: the text reader ends the body with a
    // zero, which would otherwise copy a full body into one twice its size.
    if (body.empty() && m_contentLength > 0 && !inflated)
        body.reserve(static_cast<size_t>(std::min<uint64_t>(m_contentLength, maximumDecodedResponseSize)) + 1);
    if (body.size() + adding > body.capacity()) {
        // Doubling near the limit would hold the old body and one twice its
        // size at once. Past a few megabytes the body is given room up to
        // the limit in one step instead: untouched room costs no memory.
        constexpr size_t doublingCeiling = 16 * 1024 * 1024;
        size_t room = std::max(body.size() + adding, body.capacity() * 2);
        if (room > doublingCeiling)
            room = std::max(body.size() + adding, static_cast<size_t>(maximumDecodedResponseSize));
        body.reserve(room);
    }
    if (inflated)
        body.insert(body.end(), inflated->begin(), inflated->end());
    else
        body.insert(body.end(), bytes, bytes + length);
    return true;
}

bool HTTPRequest::writeToDownloadFile(const uint8_t* bytes, size_t length, const Data* inflated)
{
    if (m_fileDownloadOutputStream)
        return appendToDownloadFile(bytes, length, inflated);
    auto lengthHeader = m_responseHeaders.value("Content-Length");
    double announced = lengthHeader ? std::strtod(lengthHeader->c_str(), nullptr) : 0.0;
    if (announced < 1024.0 && m_responseStatusCode == 404)
        return true;  // a short error page is not the file
    auto disposition = resumeDisposition();
    if (disposition == ResumeDisposition::AlreadyComplete || disposition == ResumeDisposition::Restart)
        return true;  // an answer about the range, not the file's bytes
    if (!m_fileDownloadOutputStream) {
        bool append = false;
        if (!temporaryFileDownloadPath) {
            temporaryFileDownloadPath = temporaryPath();
        } else if (disposition == ResumeDisposition::Append) {
            append = true;
        } else if (disposition == ResumeDisposition::StartAfresh) {
            incrementDownloadSizeBy(-static_cast<long long>(m_partialDownloadSize.load()));
            m_partialDownloadSize = 0;
        }
        m_fileDownloadOutputStream = NSOutputStream::outputStreamToFileAtPath(*temporaryFileDownloadPath, append);
        m_fileDownloadOutputStream->open();
        if (inflated) {
            if (!temporaryUncompressedDataDownloadPath)
                temporaryUncompressedDataDownloadPath = temporaryPath();
            m_inflatedFileDownloadOutputStream
                = NSOutputStream::outputStreamToFileAtPath(*temporaryUncompressedDataDownloadPath, append);
            m_inflatedFileDownloadOutputStream->open();
        }
    }
    return appendToDownloadFile(bytes, length, inflated);
}

// The answer's status and headers were weighed when the file was opened.
bool HTTPRequest::appendToDownloadFile(const uint8_t* bytes, size_t length, const Data* inflated)
{
    bool ok = m_fileDownloadOutputStream->write(bytes, length) >= 0;
    if (inflated && m_inflatedFileDownloadOutputStream && !inflated->empty())
        ok = m_inflatedFileDownloadOutputStream->write(inflated->data(), inflated->size()) >= 0 && ok;
    if (!ok) {
        // A disk that refuses the bytes must not end in a "finished" download
        // with a short file.
        auto e = m_fileDownloadOutputStream->streamError();
        failWithError(HTTPError::make(HTTPFileManagementError,
            stringWithFormat("Failed to write to file at path '%@'", *temporaryFileDownloadPath),
            HTTPError::other("NSPOSIXErrorDomain", e.code, e.description)));
        cancelLoad();
    }
    return ok;
}

namespace {

// "bytes 500-4999/5000" gives 500 as first byte; "bytes */5000" gives 5000 as
// the whole size.
std::optional<uint64_t> contentRangeNumber(const std::string& text, bool wholeSize)
{
    std::string_view v = text;
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    if (!v.starts_with("bytes"))
        return std::nullopt;
    v.remove_prefix(5);
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    if (wholeSize) {
        if (!v.starts_with("*/"))
            return std::nullopt;
        v.remove_prefix(2);
    }
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end == v.data())
        return std::nullopt;
    return n;
}

// Whether "bytes first-last/total" runs to the file's last byte; an unknown
// total ("*") cannot say otherwise.
bool contentRangeReachesTheEnd(const std::string& text)
{
    auto dash = text.find('-');
    auto slash = text.find('/', dash == std::string::npos ? 0 : dash);
    if (dash == std::string::npos || slash == std::string::npos)
        return false;
    std::string_view total = std::string_view(text).substr(slash + 1);
    while (!total.empty() && total.back() == ' ')
        total.remove_suffix(1);
    if (total == "*")
        return true;
    uint64_t last = 0, whole = 0;
    auto [lastEnd, lastError] = std::from_chars(text.data() + dash + 1, text.data() + slash, last);
    auto [wholeEnd, wholeError] = std::from_chars(total.data(), total.data() + total.size(), whole);
    if (lastError != std::errc() || lastEnd != text.data() + slash || wholeError != std::errc()
        || wholeEnd != total.data() + total.size())
        return false;
    return last < UINT64_MAX && last + 1 == whole;
}

}  // namespace

HTTPRequest::ResumeDisposition HTTPRequest::resumeDisposition() const
{
    uint64_t partial = m_partialDownloadSize;
    if (!allowResumeForFileDownloads || !temporaryFileDownloadPath || partial == 0
        || !m_requestHeaders.contains("Range"))
        return ResumeDisposition::NotResumed;
    auto range = m_responseHeaders.value("Content-Range");
    int status = m_responseStatusCode;
    if (status == 206) {
        auto first = range ? contentRangeNumber(*range, false) : std::nullopt;
        // A part that stops before the file's end would leave a short file
        // that looks complete.
        if (!range || !contentRangeReachesTheEnd(*range))
            return ResumeDisposition::Restart;
        if (first == partial)
            return ResumeDisposition::Append;
        // Another range of the file: only one from the first byte is the file.
        return first == 0u ? ResumeDisposition::StartAfresh : ResumeDisposition::Restart;
    }
    if (status == 416) {
        auto whole = range ? contentRangeNumber(*range, true) : std::nullopt;
        return whole == partial ? ResumeDisposition::AlreadyComplete : ResumeDisposition::Restart;
    }
    return ResumeDisposition::StartAfresh;  // the whole body, whatever stray range it names
}

// A partial file the server cannot continue is dropped and the whole body
// asked for again, once.
bool HTTPRequest::restartWithoutRange()
{
    if (m_resumeRestarted || resumeDisposition() != ResumeDisposition::Restart)
        return false;
    m_resumeRestarted = true;
    setStatusTimer(nullptr);
    m_willRetryRequest = true;
    cancelLoad();
    m_willRetryRequest = false;
    removeTemporaryDownloadFile();
    incrementDownloadSizeBy(-static_cast<long long>(m_partialDownloadSize.load()));
    m_partialDownloadSize = 0;
    m_requestHeaders.remove("Range");
    if (m_request)
        m_request->setHeaderFieldValue("Range", std::nullopt);
    startRequest();
    return true;
}

void HTTPRequest::handleStreamComplete()
{
    if (!m_haveResponseHeaders)
        readResponseHeaders();
    if (restartWithoutRange())
        return;
    if (resumeDisposition() == ResumeDisposition::AlreadyComplete)
        m_partialDownloadWasComplete = true;
    // Asked afresh once already and still answered with a part that does not
    // continue the file: what is on disk is not the file.
    const bool partDoesNotFit = resumeDisposition() == ResumeDisposition::Restart;
    setStatusTimer(nullptr);
    m_downloadComplete = true;
    HTTPErrorRef fileError;
    {
        std::lock_guard progress(classState().progressReportLock);
        m_lastBytesSent = m_totalBytesSent;
        if (m_readStream)
            m_totalBytesSent = m_readStream->requestBytesWrittenCount();
        m_complete = true;
        if (m_contentLength == 0)
            m_contentLength = m_totalBytesRead.load();
        updateProgressIndicators();
        if (m_postBodyReadStream) {
            m_postBodyReadStream->close();
            m_postBodyReadStream = nullptr;
        }
        if (m_dataDecompressor && !m_dataDecompressor->reachedEnd() && m_totalBytesRead > 0 && !m_needsRedirect
            && !m_authenticationNeeded)
            fileError = HTTPDataDecompressor::inflateErrorWithCode(-5);  // the compressed body was cut short
        m_dataDecompressor = nullptr;
        Data {}.swap(m_inflatedPiece);
        if (didCreateTemporaryPostDataFile && !m_authenticationNeeded) {
            removeTemporaryUploadFile();
            removeTemporaryCompressedUploadFile();
        }
        if (temporaryFileDownloadPath) {
            closeDownloadFileStreams();
            if (m_authenticationNeeded) {
                // A challenge answer's body is not the download: keep what a
                // resume has and drop the rest.
            } else if (partDoesNotFit) {
                fileError = HTTPError::make(HTTPConnectionFailureErrorType,
                    "The server answered with a part of the file that does not continue "
                    "the partial download");
            } else if (!(shouldRedirect && m_needsRedirect && allowResumeForFileDownloads)) {
                auto& files = NSFileManager::defaultManager();
                if (isResponseCompressed()) {
                    if (shouldWaitToInflateCompressedResponses) {
                        HTTPDataDecompressor::uncompressDataFromFileToFileError(*temporaryFileDownloadPath,
                            *downloadDestinationPath, &fileError, maximumDecodedResponseSize);
                    } else if (temporaryUncompressedDataDownloadPath) {
                        removeFileAtPathError(*downloadDestinationPath, nullptr);
                        std::string moveError;
                        if (!files.moveItemAtPathToPath(
                                *temporaryUncompressedDataDownloadPath, *downloadDestinationPath, &moveError))
                            fileError = HTTPError::make(HTTPFileManagementError,
                                stringWithFormat("Failed to move file from '%@' to '%@'",
                                    *temporaryUncompressedDataDownloadPath, *downloadDestinationPath),
                                fileSystemError(moveError));
                        temporaryUncompressedDataDownloadPath.reset();
                    }
                    removeTemporaryDownloadFile();
                } else {
                    // Put over the destination in one step, with no look
                    // first; a folder in the way is removed, as before.
                    std::string moveError;
                    bool placed = files.replaceItemAtPathWithItemAtPath(
                        *downloadDestinationPath, *temporaryFileDownloadPath, &moveError);
                    if (!placed && files.fileExistsAtPath(*downloadDestinationPath)
                        && removeFileAtPathError(*downloadDestinationPath, &fileError))
                        placed = files.moveItemAtPathToPath(
                            *temporaryFileDownloadPath, *downloadDestinationPath, &moveError);
                    if (!placed && !fileError)
                        fileError = HTTPError::make(HTTPFileManagementError,
                            stringWithFormat("Failed to move file from '%@' to '%@'", *temporaryFileDownloadPath,
                                *downloadDestinationPath),
                            fileSystemError(moveError));
                    temporaryFileDownloadPath.reset();
                }
            }
        } else if (downloadDestinationPath && !m_authenticationNeeded && !m_needsRedirect
            && !(m_responseStatusCode == 404 && m_totalBytesRead < 1024)) {
            // An empty body still leaves an (empty) file at the destination.
            removeFileAtPathError(*downloadDestinationPath, &fileError);
            if (!fileError)
                NSFileManager::defaultManager().createFileAtPathContents(*downloadDestinationPath, Data {});
        }
        if (!downloadDestinationPath && m_rawResponseData && !m_needsRedirect && !m_authenticationNeeded
            && shouldWaitToInflateCompressedResponses && isResponseCompressed() && !m_rawResponseData->empty()) {
            // Inflated once here, so that a body cut short or too large fails
            // the request instead of finishing with no data.
            auto inflated
                = HTTPDataDecompressor::uncompressDataError(*m_rawResponseData, &fileError, maximumDecodedResponseSize);
            if (inflated)
                m_inflatedResponseData = std::make_shared<Data>(std::move(*inflated));
        }
        if (downloadCache && !m_didUseCachedResponse && !m_needsRedirect && !m_authenticationNeeded && !fileError)
            downloadCache->storeResponseForRequestMaxAge(*this, secondsToCache);
    }
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        if (!m_connectionCanBeReused)
            unscheduleReadStream();
        if (m_connectionInfo) {
            m_connectionInfo->request.reset();
            m_connectionInfo->expires = Clock::wallNow().secondsSince1970 + persistentConnectionTimeoutSeconds;
        }
    }
    if (!m_authenticationNeeded)
        destroyReadStream();
    if (!m_needsRedirect && !m_authenticationNeeded && !m_didUseCachedResponse) {
        if (fileError)
            failWithError(fileError);
        else
            requestFinished();
        markAsFinished();
    }
}

void HTTPRequest::handleStreamError()
{
    CFStreamError streamError = m_readStream ? m_readStream->error() : CFStreamError {};
    if (m_error) {
        cancelLoad();
        return;
    }
    auto meaning = streamError.meaning;
    if (meaning == CFStreamErrorMeaning::NotConnected || meaning == CFStreamErrorMeaning::BrokenPipe
        || meaning == CFStreamErrorMeaning::ConnectionLost) {
        if (retryUsingNewConnection())
            return;
    }
    cancelLoad();
    auto underlying = HTTPError::other(
        streamError.domain == CFStreamErrorDomain::POSIX ? "NSPOSIXErrorDomain" : "kCFErrorDomainCFNetwork",
        streamError.code, streamError.description);
    std::string text = "A connection failure occurred";
    if (streamError.domain == CFStreamErrorDomain::SSL && streamError.code >= -9818 && streamError.code <= -9800)
        text = stringWithFormat("%@: SSL problem (Possible causes may include a bad/expired/self-signed certificate, "
                                "clock set to wrong date)",
            text);
    failWithError(HTTPError::make(HTTPConnectionFailureErrorType, text, underlying));
    checkRequestStatus();
}

bool HTTPRequest::retryUsingNewConnection()
{
    if (m_retryCount != 0)
        return false;
    // Once any of a body has gone out the server may have acted on it (an
    // order taken, a customer made); sending it again could do that twice.
    if (m_postBodyReadStream && m_readStream && m_readStream->requestBytesWrittenCount() > 0)
        return false;
    m_willRetryRequest = true;
    cancelLoad();
    m_willRetryRequest = false;
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        if (m_connectionInfo) {
            m_connectionInfo->request.reset();
            m_connectionInfo->stream = nullptr;
            std::erase(s.connectionPool, m_connectionInfo);
            m_connectionInfo = nullptr;
        }
    }
    m_retryCount++;
    refreshRangeForRetry();
    startRequest();
    return true;
}

bool HTTPRequest::willAskDelegateToConfirmRedirect()
{
    std::unique_lock lock(m_cancelledLock);
    auto del = m_delegate.lock();
    bool delegateAnswers = del && del->respondsToSelector(willRedirectSelector);
    bool queueAnswers
        = !delegateAnswers && m_queue && m_queue->respondsToSelector(HTTPSelector::requestWillRedirectToURL);
    if (!delegateAnswers && !queueAnswers)
        return false;
    CFURL target = *m_redirectURL;
    m_redirectURL.reset();
    requestWillRedirectToURL(target);
    return true;
}

void HTTPRequest::redirectToURL(const CFURL& url)
{
    {
        std::lock_guard lock(m_cancelledLock);
        m_redirectURL = url;
    }
    auto me = protect<HTTPRequest>();
    threadForRequest(this)->performBlock([me] { me->performRedirect(); }, false);
}

void HTTPRequest::dropCredentialsForNewOrigin(const CFURL& target)
{
    auto origin = [](const CFURL& u) {
        return NSString::lowercaseASCII(u.scheme()) + "://" + NSString::lowercaseASCII(u.host()) + ":"
            + std::to_string(u.effectivePort());
    };
    if (origin(target) == origin(m_url))
        return;
    // Credentials meant for one server are not handed to another: a redirect
    // elsewhere goes without them (a challenge there asks afresh).
    m_requestHeaders.remove("Authorization");
    username.clear();
    password.clear();
    domain.clear();
    authenticationScheme.clear();
    authenticationRealm.reset();
    m_requestCredentials = nullptr;
    m_requestAuthentication = nullptr;
}

void HTTPRequest::performRedirect()
{
    if (!m_redirectURL)
        return;
    dropCredentialsForNewOrigin(*m_redirectURL);
    setURL(*m_redirectURL);
    m_complete = true;
    m_needsRedirect = false;
    m_redirectCount++;
    if (m_redirectCount < 6) {
        main();
    } else {
        failWithError(sharedError(HTTPTooMuchRedirectionErrorType));
        m_complete = true;
    }
}

void HTTPRequest::failWithError(HTTPErrorRef theError)
{
    m_complete = true;
    if (theError && theError->code != HTTPAuthenticationErrorType
        && theError->code != HTTPTooMuchRedirectionErrorType) {
        {
            std::lock_guard pool(classState().connectionPoolLock);
            if (m_connectionInfo) {
                m_connectionInfo->request.reset();
                m_connectionInfo->stream = nullptr;
                std::erase(classState().connectionPool, m_connectionInfo);
            }
        }
        destroyReadStream();
    }
    if (m_connectionCanBeReused && m_connectionInfo) {
        std::lock_guard pool(classState().connectionPoolLock);
        m_connectionInfo->expires = Clock::wallNow().secondsSince1970 + persistentConnectionTimeoutSeconds;
    }
    if (m_cancelled || error())
        return;
    if (downloadCache && (cachePolicy & 64) && !m_didUseCachedResponse
        && downloadCache->canUseCachedDataForRequest(*this)) {
        useDataFromCache();
        return;
    }
    {
        std::lock_guard lock(m_responseLock);
        m_error = theError;
    }
    discardFailedDownload();
    auto main = mainRequest.lock();
    if (main) {
        std::lock_guard lock(main->m_responseLock);
        main->m_error = theError;
    }
    auto reporter = main ? main : protect<HTTPRequest>();
    if (isPACFileRequest || m_isSynchronous || NSThread::isMainThread()) {
        if (isPACFileRequest)
            reporter->reportFailure();
        else
            onMainThread([reporter] { reporter->reportFailure(); });
        if (m_inProgress)
            markAsFinished();
        return;
    }
    // The operation ends only once its queue has heard of the failure: ended
    // at once, its queue would start the next requests before it could cancel
    // them (a queue that cancels on failure then saw them finish instead).
    auto me = protect<HTTPRequest>();
    postToMainThread([reporter, me] {
        reporter->reportFailure();
        threadForRequest(nullptr)->performBlock(
            [me] {
                std::lock_guard lock(me->m_cancelledLock);
                if (me->m_inProgress)
                    me->markAsFinished();
            },
            false);
    });
}

void HTTPRequest::closeDownloadFileStreams()
{
    for (auto* stream : { &m_fileDownloadOutputStream, &m_inflatedFileDownloadOutputStream }) {
        if (*stream) {
            (*stream)->close();
            *stream = nullptr;
        }
    }
}

void HTTPRequest::discardFailedDownload()
{
    // Bytes of a download that failed and cannot be resumed are of no use to
    // anyone; only a resumable one keeps them for its next attempt.
    if (!downloadDestinationPath || allowResumeForFileDownloads)
        return;
    closeDownloadFileStreams();
    for (const auto* path : { &temporaryFileDownloadPath, &temporaryUncompressedDataDownloadPath })
        if (*path)
            NSFileManager::defaultManager().removeItemAtPath(**path);
}

void HTTPRequest::requestStarted()
{
    if (error() || isHEADProbe())
        return;
    auto me = protect<HTTPRequest>();
    onMainThread([me] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didStartSelector))
            del->requestStarted(me);
        if (me->m_startedBlock)
            me->m_startedBlock();
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestStarted))
            q->requestStarted(me);
    });
}

void HTTPRequest::requestReceivedResponseHeaders(const HTTPHeaderFields& headers)
{
    if (error() || isHEADProbe())
        return;
    auto me = protect<HTTPRequest>();
    onMainThread([me, headers] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didReceiveResponseHeadersSelector))
            del->requestDidReceiveResponseHeaders(me, headers);
        if (me->m_headersReceivedBlock)
            me->m_headersReceivedBlock(headers);
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestDidReceiveResponseHeaders))
            q->requestDidReceiveResponseHeaders(me, headers);
    });
}

void HTTPRequest::requestRedirected()
{
    if (error() || isHEADProbe())
        return;
    auto me = protect<HTTPRequest>();
    onMainThread([me] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(HTTPSelector::requestRedirected))
            del->requestRedirected(me);
        if (me->m_requestRedirectedBlock)
            me->m_requestRedirectedBlock();
    });
}

void HTTPRequest::requestWillRedirectToURL(const CFURL& target)
{
    if (error() || isHEADProbe())
        return;
    auto me = protect<HTTPRequest>();
    onMainThread([me, target] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->willRedirectSelector))
            del->requestWillRedirectToURL(me, target);
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestWillRedirectToURL))
            q->requestWillRedirectToURL(me, target);
    });
}

void HTTPRequest::passOnReceivedData(const Data& data)
{
    auto me = protect<HTTPRequest>();
    onMainThread([me, data] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didReceiveDataSelector))
            del->requestDidReceiveData(me, data);
        if (me->m_dataReceivedBlock)
            me->m_dataReceivedBlock(data);
    });
}

void HTTPRequest::requestFinished()
{
    if (error() || isHEADProbe())
        return;
    if (isPACFileRequest) {
        reportFinished();
        return;
    }
    auto me = protect<HTTPRequest>();
    onMainThread([me] { me->reportFinished(); });
}

void HTTPRequest::reportFinished()
{
    auto me = protect<HTTPRequest>();
    auto del = delegate();
    if (del && del->respondsToSelector(didFinishSelector)) {
        if (didFinishSelector == HTTPSelector::requestFailed)
            del->requestFailed(me);
        else
            del->requestFinished(me);
    }
    if (m_completionBlock)
        m_completionBlock();
    if (auto q = queue(); q && q->respondsToSelector(HTTPSelector::requestFinished))
        q->requestFinished(me);
}

void HTTPRequest::reportFailure()
{
    auto me = protect<HTTPRequest>();
    auto del = delegate();
    if (del && del->respondsToSelector(didFailSelector)) {
        if (didFailSelector == HTTPSelector::requestFinished)
            del->requestFinished(me);
        else
            del->requestFailed(me);
    }
    if (m_failureBlock)
        m_failureBlock();
    if (auto q = queue(); q && q->respondsToSelector(HTTPSelector::requestFailed))
        q->requestFailed(me);
}

std::optional<Data> HTTPRequest::responseData() const
{
    if (!m_rawResponseData)
        return std::nullopt;
    if (isResponseCompressed() && shouldWaitToInflateCompressedResponses) {
        if (m_inflatedResponseData)
            return *m_inflatedResponseData;
        return HTTPDataDecompressor::uncompressDataError(*m_rawResponseData, nullptr, maximumDecodedResponseSize);
    }
    return *m_rawResponseData;
}

std::optional<Data> HTTPRequest::takeResponseData()
{
    if (!m_rawResponseData)
        return std::nullopt;
    std::optional<Data> body;
    if (!isResponseCompressed() || !shouldWaitToInflateCompressedResponses)
        body = std::move(*m_rawResponseData);
    else if (m_inflatedResponseData)
        body = std::move(*m_inflatedResponseData);
    else
        body = responseData();
    m_inflatedResponseData.reset();
    Data().swap(*m_rawResponseData);
    return body;
}

std::optional<std::string> HTTPRequest::responseString() const
{
    auto data = responseData();
    if (!data)
        return std::nullopt;
    std::string bytes(data->begin(), data->end());
    // Bytes that are not valid in the announced encoding give no text rather
    // than a damaged one.
    return TextEncoding::decode(bytes, m_responseEncoding);
}

bool HTTPRequest::removeFileAtPathError(const std::string& path, HTTPErrorRef* error)
{
    auto& files = NSFileManager::defaultManager();
    if (!files.fileExistsAtPath(path))
        return true;
    std::string reason;
    if (files.removeItemAtPath(path, &reason))
        return true;
    if (error)
        *error = HTTPError::make(HTTPFileManagementError, stringWithFormat("Failed to delete file at path '%@'", path),
            fileSystemError(reason));
    return false;
}

#define HTTP_REMOVE_TEMPORARY(Name, Path)                                                                              \
    bool HTTPRequest::Name()                                                                                           \
    {                                                                                                                  \
        if (!Path)                                                                                                     \
            return true;                                                                                               \
        HTTPErrorRef e;                                                                                                \
        bool ok = removeFileAtPathError(*Path, &e);                                                                    \
        if (!ok)                                                                                                       \
            failWithError(e);                                                                                          \
        Path.reset();                                                                                                  \
        return ok;                                                                                                     \
    }
HTTP_REMOVE_TEMPORARY(removeTemporaryDownloadFile, temporaryFileDownloadPath)
HTTP_REMOVE_TEMPORARY(removeTemporaryUncompressedDownloadFile, temporaryUncompressedDataDownloadPath)
HTTP_REMOVE_TEMPORARY(removeTemporaryUploadFile, postBodyFilePath)
HTTP_REMOVE_TEMPORARY(removeTemporaryCompressedUploadFile, compressedPostBodyFilePath)
#undef HTTP_REMOVE_TEMPORARY

void HTTPRequest::useDataFromCache()
{
    // A revalidation answer (304) still has its connection open: the stored
    // response replaces it, so the transfer ends here.
    if (m_readStream)
        destroyReadStream();
    auto main = mainRequest.lock();
    HTTPRequest& target = main ? *main : *this;
    auto headers = downloadCache->cachedResponseHeadersForURL(m_url);
    auto dataPath = downloadCache->pathToCachedResponseDataForURL(m_url);
    if (headers && dataPath) {
        m_responseStatusCode
            = static_cast<int>(std::atol(headers->value("X-HTTPRequest-Response-Status-Code").value_or("0").c_str()));
        m_didUseCachedResponse = true;
        {
            std::lock_guard lock(target.m_responseLock);
            target.m_responseHeaders = *headers;
            target.m_haveResponseHeaders = true;
        }
        if (target.downloadDestinationPath) {
            // The caller looks for the file where it asked for it; pointing
            // the path at the cache's copy would leave the destination empty
            // and let a later cache clear take the file away.
            auto& files = NSFileManager::defaultManager();
            if (*target.downloadDestinationPath != *dataPath) {
                removeFileAtPathError(*target.downloadDestinationPath, nullptr);
                std::string copyError;
                if (!files.copyItemAtPathToPath(*dataPath, *target.downloadDestinationPath, &copyError)) {
                    failWithError(HTTPError::make(HTTPFileManagementError,
                        stringWithFormat(
                            "Failed to copy file from '%@' to '%@'", *dataPath, *target.downloadDestinationPath),
                        fileSystemError(copyError)));
                    return;
                }
            }
        } else if (auto data = downloadCache->cachedResponseDataForURL(m_url))
            target.m_rawResponseData = std::make_shared<Data>(std::move(*data));
        target.m_contentLength = std::strtoull(headers->value("Content-Length").value_or("0").c_str(), nullptr, 10);
        target.m_totalBytesRead = m_contentLength.load();
        target.parseStringEncodingFromHeaders();
        std::lock_guard lock(target.m_responseLock);
        target.m_responseCookies = NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(*headers, m_url);
    }
    if (headers && dataPath && willRedirect()) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
        return;
    }
    target.m_complete = true;
    target.m_downloadComplete = true;
    if (target.m_redirectCount == 0)
        target.m_originalURL = target.m_url;
    target.updateProgressIndicators();
    target.requestFinished();
    target.markAsFinished();
    if (main)
        markAsFinished();
}
