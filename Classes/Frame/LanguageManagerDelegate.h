#pragma once

// What a listener of the language service answers: told after the current
// language changed, so that it re-reads its captions.

class LanguageManagerDelegate {
public:
    virtual ~LanguageManagerDelegate() = default;
    virtual void notifiChangelanguage() = 0;
};
