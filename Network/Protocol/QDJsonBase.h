#pragma once

// Shared state of the JSON parser and writer: the nesting limit and the trace
// of errors left by the last call. Calls never throw; a failing call returns
// nothing and the trace says why, innermost error first.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// One error of a trace. Every error but the first carries the one before it
// as its underlying error, so the last one explains the whole failure.
struct QDJsonError {
    std::string domain;
    long code = 0;
    std::string localizedDescription;
    std::shared_ptr<const QDJsonError> underlyingError;
};

inline constexpr const char* QDJsonErrorDomain = "org.quilldorn.JSON.ErrorDomain";

enum QDJsonErrorCode : long {
    QDJsonErrorUnsupported = 1,
    QDJsonErrorNumber = 2,
    QDJsonErrorParse = 3,
    QDJsonErrorFragment = 4,
    QDJsonErrorControl = 5,
    QDJsonErrorUnicode = 6,
    QDJsonErrorDepth = 7,
    QDJsonErrorEscape = 8,
    QDJsonErrorTrailingComma = 9,
    QDJsonErrorGarbage = 10,
    QDJsonErrorEnd = 11,
    QDJsonErrorInput = 12,
};

class QDJsonBase {
public:
    static constexpr unsigned kDefaultMaxDepth = 512;
    // Each level is a step of recursion in the parser, the writer and the
    // tree's own destruction, so no limit (not even 0, no limit) goes past this
    // one: deeper text fails with error 7 instead of running out of stack.
    static constexpr unsigned kDeepestNesting = 4096;

    QDJsonBase() = default;
    QDJsonBase(const QDJsonBase&) = delete;
    QDJsonBase& operator=(const QDJsonBase&) = delete;
    virtual ~QDJsonBase() = default;

    // Empty when the last call succeeded.
    const std::vector<QDJsonError>& errorTrace() const { return m_errorTrace; }
    void setErrorTrace(std::vector<QDJsonError> trace) { m_errorTrace = std::move(trace); }

    unsigned maxDepth() const { return m_maxDepth.load(); }
    // 0 lifts the limit (up to kDeepestNesting).
    void setMaxDepth(unsigned depth) { m_maxDepth.store(depth); }

    void addErrorWithCodeDescription(long code, std::string description);
    void clearErrorTrace() { m_errorTrace.clear(); }

protected:
    // One level deeper into an object or array; false, with error 7, past the limit.
    bool enterLevel()
    {
        const unsigned limit = maxDepth();
        if (++m_depth > (limit && limit < kDeepestNesting ? limit : kDeepestNesting)) {
            addErrorWithCodeDescription(QDJsonErrorDepth, "Nested too deep");
            return false;
        }
        return true;
    }
    void leaveLevel() { --m_depth; }

    unsigned m_depth = 0;

private:
    std::vector<QDJsonError> m_errorTrace;
    std::atomic<unsigned> m_maxDepth { kDefaultMaxDepth };
};
