#pragma once

// A fresh application home for one test: a new folder under the system's
// temporary folder, made the process's home for the fixture's lifetime, with
// the user defaults read afresh from it. The bundle is the build's bundle
// (CORVELLE_BUNDLE when set). On destruction the folder is removed and the
// process's home, bundle and languages are forgotten.

#include <gtest/gtest.h>

#include <string>

class TemporaryHome {
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const std::string& path() const { return m_path; }
    std::string documents() const { return m_path + "/Documents"; }
    std::string library() const { return m_path + "/Library"; }
    std::string caches() const { return m_path + "/Library/Caches"; }
    std::string preferences() const { return m_path + "/Library/Preferences"; }
    std::string tmp() const { return m_path + "/tmp"; }

    // A scratch folder beside the home (not inside it), removed with it.
    std::string scratch() const { return m_scratch; }

private:
    std::string m_root;
    std::string m_path;
    std::string m_scratch;
};

class TemporaryHomeTest : public ::testing::Test {
protected:
    TemporaryHome home;
};
