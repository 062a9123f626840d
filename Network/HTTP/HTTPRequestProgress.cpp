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
// Progress

void HTTPRequest::updateProgressIndicators()
{
    if (isHEADProbe())
        return;
    if (showAccurateProgress || (m_complete && !m_updatedProgress)) {
        updateUploadProgress();
        updateDownloadProgress();
    }
}

void HTTPRequest::updateDownloadProgress()
{
    if (!m_haveResponseHeaders || m_needsRedirect)
        return;
    if (m_contentLength == 0 && !m_complete)
        return;
    uint64_t soFar = m_totalBytesRead + m_partialDownloadSize;
    long long amount = 1;
    if (showAccurateProgress && m_contentLength > 0) {
        amount = static_cast<long long>(soFar) - static_cast<long long>(m_lastBytesRead);
    } else {
        m_updatedProgress = true;
    }
    if (amount == 0)
        return;
    deliverToProgressReceivers(false, HTTPSelector::requestDidReceiveBytes, amount);
    unsigned long long total = m_contentLength + m_partialDownloadSize;
    setProgressOf(false, soFar, total);
    if (m_bytesReceivedBlock) {
        auto me = protect<HTTPRequest>();
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesReceivedBlock)
                me->m_bytesReceivedBlock(static_cast<unsigned long long>(amount), total);
        });
    }
    m_lastBytesRead = soFar;
}

void HTTPRequest::updateUploadProgress()
{
    if (m_cancelled || m_totalBytesSent == 0)
        return;
    if (m_uploadBufferSize == 0 && m_totalBytesSent != m_postLength) {
        m_uploadBufferSize = m_totalBytesSent;
        incrementUploadSizeBy(-static_cast<long long>(m_uploadBufferSize));
    }
    long long amount = 0;
    if (showAccurateProgress) {
        if (m_totalBytesSent == m_postLength || m_lastBytesSent > 0)
            amount = static_cast<long long>(m_totalBytesSent) - static_cast<long long>(m_lastBytesSent);
    } else {
        amount = 1;
        m_updatedProgress = true;
    }
    if (amount == 0)
        return;
    deliverToProgressReceivers(true, HTTPSelector::requestDidSendBytes, amount);
    setProgressOf(true, m_totalBytesSent - m_uploadBufferSize, m_postLength - m_uploadBufferSize);
    if (m_bytesSentBlock) {
        auto me = protect<HTTPRequest>();
        unsigned long long total = m_postLength;
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesSentBlock)
                me->m_bytesSentBlock(static_cast<unsigned long long>(amount), total);
        });
    }
}

void HTTPRequest::incrementDownloadSizeBy(long long amount)
{
    deliverToProgressReceivers(false, HTTPSelector::requestIncrementDownloadSizeBy, amount);
    if (m_downloadSizeIncrementedBlock) {
        auto me = protect<HTTPRequest>();
        performBlockOnMainThread([me, amount] {
            if (me->m_downloadSizeIncrementedBlock)
                me->m_downloadSizeIncrementedBlock(amount);
        });
    }
}

void HTTPRequest::incrementUploadSizeBy(long long amount)
{
    deliverToProgressReceivers(true, HTTPSelector::requestIncrementUploadSizeBy, amount);
    if (m_uploadSizeIncrementedBlock) {
        auto me = protect<HTTPRequest>();
        performBlockOnMainThread([me, amount] {
            if (me->m_uploadSizeIncrementedBlock)
                me->m_uploadSizeIncrementedBlock(amount);
        });
    }
}

void HTTPRequest::removeUploadProgressSoFar()
{
    long long amount = -static_cast<long long>(m_totalBytesSent.load());
    deliverToProgressReceivers(true, HTTPSelector::requestDidSendBytes, amount);
    setProgressOf(true, 0, m_postLength);
    if (m_bytesSentBlock) {
        auto me = protect<HTTPRequest>();
        unsigned long long total = m_postLength;
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesSentBlock)
                me->m_bytesSentBlock(static_cast<unsigned long long>(amount), total);
        });
    }
}

// The queue first, then the progress delegate; both are read again on the
// main thread, so a receiver cleared meanwhile gets nothing.
void HTTPRequest::deliverToProgressReceivers(bool upload, HTTPSelector selector, long long amount)
{
    if (!queue() && !(upload ? uploadProgressDelegate() : downloadProgressDelegate()))
        return;
    auto weak = weakSelf<HTTPRequest>();
    performBlockOnMainThread([weak, upload, selector, amount] {
        auto me = weak.lock();
        if (!me)
            return;
        auto call = [&](HTTPProgressDelegate* receiver) {
            if (!receiver || !receiver->respondsToProgressSelector(selector))
                return;
            switch (selector) {
            case HTTPSelector::requestDidReceiveBytes:
                receiver->requestDidReceiveBytes(me, amount);
                break;
            case HTTPSelector::requestDidSendBytes:
                receiver->requestDidSendBytes(me, amount);
                break;
            case HTTPSelector::requestIncrementDownloadSizeBy:
                receiver->requestIncrementDownloadSizeBy(me, amount);
                break;
            case HTTPSelector::requestIncrementUploadSizeBy:
                receiver->requestIncrementUploadSizeBy(me, amount);
                break;
            default:
                break;
            }
        };
        auto q = me->queue();
        call(q.get());
        auto receiver = upload ? me->uploadProgressDelegate() : me->downloadProgressDelegate();
        call(receiver.get());
    });
}

void HTTPRequest::setProgressOf(bool upload, unsigned long long progress, unsigned long long total)
{
    // A total of 0 has no meaningful ratio: the bar shows nothing done.
    // Receivers are set before a request starts: with none there is no one to tell.
    if (!(upload ? uploadProgressDelegate() : downloadProgressDelegate()))
        return;
    float value = total == 0 ? 0.0f : static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
    auto weak = weakSelf<HTTPRequest>();
    performBlockOnMainThread([weak, upload, value] {
        auto me = weak.lock();
        if (!me)
            return;
        auto receiver = upload ? me->uploadProgressDelegate() : me->downloadProgressDelegate();
        if (receiver && receiver->respondsToProgressSelector(HTTPSelector::setProgress)) {
            std::lock_guard lock(classState().progressReportLock);
            receiver->setProgress(value);
        }
    });
}

void HTTPRequest::performBlockOnMainThread(std::function<void()> block) { onMainThread(std::move(block)); }
