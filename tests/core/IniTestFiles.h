#pragma once
// Settings-file tests work on real files in a fresh temporary folder per test.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/cInifile.h"

namespace rimvista::test {

inline std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void putBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = (m_dir / "Rimvista.ini").string();
        ini.FileName(m_path);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string fileBytes() const { return bytesOf(m_path); }
    void putFile(const std::string& bytes) const { putBytes(m_path, bytes); }
    bool fileExists() const { return std::filesystem::exists(m_path); }

    std::filesystem::path m_dir;
    std::string m_path;
    cInifile ini;
};

}  // namespace rimvista::test
