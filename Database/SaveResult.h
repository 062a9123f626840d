#pragma once

// What a save came to. "Nothing to save" is no failure, and a screen that
// tells the salesperson must not call it one, so the two are told apart. As a
// truth value a result says whether something was stored, as the plain flags
// it replaces did; a result is never dropped unread.

class [[nodiscard]] SaveResult {
public:
    enum class Kind { Saved, NothingToSave, Failed };

    constexpr SaveResult(Kind kind)
        : m_kind(kind)
    {
    }
    static constexpr SaveResult of(bool stored) { return stored ? Kind::Saved : Kind::Failed; }

    constexpr Kind kind() const { return m_kind; }
    constexpr bool saved() const { return m_kind == Kind::Saved; }
    constexpr bool nothingToSave() const { return m_kind == Kind::NothingToSave; }
    constexpr bool failed() const { return m_kind == Kind::Failed; }
    constexpr explicit operator bool() const { return saved(); }
    constexpr bool operator==(const SaveResult&) const = default;

private:
    Kind m_kind;
};
