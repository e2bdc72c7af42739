// Helpers of the client core tests: a fresh home folder and drive root per
// test, and the keys of a profile file as written.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "../platform/test_support.h"

namespace kestrel::client_test {

using platform_test::ReadFile;
using platform_test::ScopedEnv;
using platform_test::TempDir;
using platform_test::WriteFile;

// Home folder and drive root of one test; the context's built-in folders
// then lie under driveRoot.
struct TestFolders {
    TempDir home;
    TempDir driveRoot;
    ScopedEnv driveEnv{"KESTREL_DRIVE_ROOT", driveRoot.path() + "/"};
    ScopedEnv homeEnv{"KESTREL_HOME", home.path() + "/"};

    std::string HomeFolder() const { return home.path() + "/"; }
    std::string IniPath() const { return home.File("DvrUserCfg.ini"); }
    std::string UnderRoot(const std::string& relative) const {
        return driveRoot.path() + "/" + relative;
    }
};

// (section, key) -> value of every key line, in the file's own spelling.
using ProfileKeys = std::map<std::pair<std::string, std::string>, std::string>;

inline ProfileKeys ReadKeys(const std::string& path) {
    ProfileKeys keys;
    std::istringstream in(ReadFile(path));
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            keys[{section, line.substr(0, equals)}] = line.substr(equals + 1);
        }
    }
    return keys;
}

}  // namespace kestrel::client_test
