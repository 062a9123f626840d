#pragma once

// Presentations, spreadsheets and word-processing files turned into PDF for
// showing, by the office suite running headless in a process of its own.
// Conversions run one at a time off the main thread, with a private profile
// folder in the home's tmp; the answer comes back on the main thread. The PDF
// is kept in Library/Caches/OfficePreviews under the file's path, size and
// modification time, so a second opening of an unchanged file converts
// nothing, and a changed file is converted again (its older PDF removed).
// A conversion that runs longer than kTimeoutSeconds is stopped and fails.

#include <functional>
#include <memory>
#include <optional>
#include <string>

class OfficeDocumentConverter {
public:
    // The extensions (lower case) this converts: ppt, pptx, xls, xlsx, doc, docx.
    static bool convertsExtension(const std::string& extension);

    // The cached PDF of `path` as it is now, when there is one.
    static std::optional<std::string> cachedPDFPath(const std::string& path);

    // Either the PDF's path, or a message a person can read saying why there is none.
    using Completion = std::function<void(const std::optional<std::string>& pdfPath, const std::string& error)>;
    // A conversion under way. Cancelling it (on the main thread) stops the
    // suite at once and drops the answer; a conversion nobody waits for any
    // more should not keep the machine busy.
    class Conversion {
    public:
        void cancel();
        bool isCancelled() const;

        struct State;  // shared with the thread that runs the suite

    private:
        friend class OfficeDocumentConverter;
        std::shared_ptr<State> m_state;
    };
    // Converts `path` (or finds it in the cache) and calls `completion` on the
    // main thread, unless the conversion was cancelled first.
    static std::shared_ptr<Conversion> convert(const std::string& path, Completion completion);

    // Longest a conversion may run before the converter is stopped.
    static constexpr int kTimeoutSeconds = 180;
};
