#include "support/TemporaryHome.h"

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string makeRoot()
{
    std::error_code ec;
    std::string base = std::filesystem::temp_directory_path(ec).string();
    if (ec || base.empty())
        base = "/tmp";
    std::string pattern = base + "/corvelle-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        ADD_FAILURE() << "cannot make a temporary home under " << base;
    return pattern;
}

}  // namespace

TemporaryHome::TemporaryHome()
    : m_root(makeRoot())
    , m_path(m_root + "/home")
    , m_scratch(m_root + "/scratch")
{
    std::error_code ec;
    std::filesystem::create_directories(m_scratch, ec);
    AppEnvironment::reset();
    AppEnvironment::setHomeDirectory(m_path);
    const char* bundle = std::getenv("CORVELLE_BUNDLE");
#ifdef CORVELLE_BUNDLE_DIR
    if (!bundle || !*bundle)
        bundle = CORVELLE_BUNDLE_DIR;
#endif
    if (bundle && *bundle)
        AppEnvironment::setBundleDirectory(bundle);
    NSUserDefaults::resetStandardUserDefaults();
    AppEnvironment::homeDirectory();  // makes the standard folders
}

TemporaryHome::~TemporaryHome()
{
    NSUserDefaults::resetStandardUserDefaults();
    AppEnvironment::reset();
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}
