// Files the program did not write itself: the old program's Shift-JIS files, damaged and huge
// files, and the full registration list the list dialog reads.
#include <gtest/gtest.h>
#include <iconv.h>

#include <chrono>
#include <random>
#include <string>

#include "IniTestFiles.h"
#include "core/NumberText.h"
#include "core/cInifile.h"

namespace rimvista {
namespace {

using SettingsInput = test::IniFileTest;

std::string legacyFixture() {
    return test::bytesOf(RIMVISTA_FIXTURES_DIR "/legacy-sjis.ini");
}

// Converted here with iconv directly, independently of the reader's own decoding.
std::string convert(std::string in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 3, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<std::size_t>(-1));
    out.resize(out.size() - outLeft);
    return out;
}
std::string fromShiftJis(std::string in) {
    return convert(std::move(in), "UTF-8", "CP932");
}
std::string toShiftJis(std::string in) {
    return convert(std::move(in), "CP932", "UTF-8");
}

TEST_F(SettingsInput, ReadsTheOldProgramsShiftJisFile) {
    const std::string legacy = legacyFixture();
    ASSERT_FALSE(legacy.empty());
    putFile(legacy);
    EXPECT_EQ(ini.ReadStr("ListData001", "ListName", ""), "額縁・二重");
    EXPECT_EQ(ini.ReadStr("ListData003", "ListName", ""), "ボタン風（凸）");
    EXPECT_EQ(ini.ReadStr("ListData004", "ListName", ""), "空の登録");
    EXPECT_EQ(ini.ReadStr("ListData010", "ListName", ""), "登録名#10");
    EXPECT_EQ(ini.ReadInt("ListData004", "DataNum", 0), 0);
    EXPECT_EQ(ini.ReadInt("ListData010", "DataNum", 0), 3);
    EXPECT_EQ(ini.ReadStr("ListData010", "Data03", ""), "5,5,5,5,12,12,12,12,0");  // no CR
    EXPECT_EQ(ini.ReadStr("Folder", "SaveFolder", ""), "D:\\framed\\");
    EXPECT_EQ(fileBytes(), legacy);
}

TEST_F(SettingsInput, FirstWriteTurnsAShiftJisFileIntoTheSameTextInUtf8) {
    const std::string legacy = legacyFixture();
    putFile(legacy);
    ASSERT_NE(ini.WriteStr("Position", "Top", "700"), 0);
    std::string expected = fromShiftJis(legacy);
    expected.replace(expected.find("Top=600"), 7, "Top=700");
    EXPECT_EQ(fileBytes(), expected);

    ASSERT_NE(ini.WriteStr("ListData002", "ListName", "新しい登録"), 0);
    EXPECT_EQ(fileBytes(), expected + "[ListData002]\r\nListName=新しい登録\r\n");
    EXPECT_EQ(ini.ReadStr("ListData001", "ListName", ""), "額縁・二重");
}

TEST_F(SettingsInput, EachLineKeepsItsOwnEncoding) {
    // A converted file to which the old program appended one Shift-JIS line.
    const std::string utf8Part = "[ListData001]\r\nDataNum=1\r\nListName=額縁・二重\r\n";
    const std::string appended =
        "[ListData002]\r\nListName=" + toShiftJis("ボタン風（凸）") + "\r\n";
    putFile(utf8Part + appended);
    EXPECT_EQ(ini.ReadStr("ListData001", "ListName", ""), "額縁・二重");
    EXPECT_EQ(ini.ReadStr("ListData002", "ListName", ""), "ボタン風（凸）");

    ASSERT_NE(ini.WriteStr("ListData001", "DataNum", "2"), 0);
    EXPECT_EQ(fileBytes(),
              "[ListData001]\r\nDataNum=2\r\nListName=額縁・二重\r\n"
              "[ListData002]\r\nListName=ボタン風（凸）\r\n");
}

TEST_F(SettingsInput, DamagedFilesNeitherCrashNorBlockWrites) {
    std::mt19937 rng(7);
    std::string garbage(200000, '\0');
    for (auto& c : garbage) c = static_cast<char>(rng());
    putFile(garbage + "\n[S]\nk=v\x81\n");
    EXPECT_EQ(ini.ReadStr("S", "nothing", "d"), "d");
    EXPECT_EQ(ini.ReadInt("S", "k", 5), 0);  // read, but not a number
    ASSERT_NE(ini.WriteStr("S", "k", "fresh"), 0);
    EXPECT_EQ(ini.ReadStr("S", "k", "d"), "fresh");

    putFile(std::string("[S]\nk=ab\0cd\n", 12));  // a NUL ends the value, as in a C buffer
    EXPECT_EQ(ini.ReadStr("S", "k", "d"), "ab");

    const auto folder = m_dir / "a-folder";
    std::filesystem::create_directory(folder);
    ini.FileName(folder.string());
    EXPECT_EQ(ini.ReadStr("S", "k", "d"), "d");
    EXPECT_EQ(ini.WriteStr("S", "k", "v"), 0);
}

TEST_F(SettingsInput, HugeFilesAndLines) {
    std::string big = "[S]\nline=" + std::string(1 << 20, 'y') + "\n";
    for (int i = 0; big.size() < 50u << 20; ++i) {
        big += "[Filler" + std::to_string(i) + "]\n" + std::string(4000, ';') + "\n";
    }
    big += "[Last]\nk=end\n";
    putFile(big);
    EXPECT_EQ(ini.ReadStr("S", "line", "d"), std::string(1023, 'y'));
    EXPECT_EQ(ini.ReadStr("Last", "k", "d"), "end");
    ASSERT_NE(ini.WriteStr("Last", "k", "changed"), 0);
    EXPECT_EQ(fileBytes().size(), big.size() + 4);
    EXPECT_EQ(ini.ReadStr("Last", "k", "d"), "changed");
}

// How fast this is belongs to registrations_bench, not to an assertion a busy machine can break.
TEST_F(SettingsInput, FullRegistrationListReadsEveryName) {
    std::string file = "[Position]\r\nTop=600\r\n";
    for (int s = 1; s <= 100; ++s) {
        file += "[ListData" + num::zeroPad(s, 3) + "]\r\nDataNum=10\r\nListName=登録名#" +
                std::to_string(s) + "\r\n";
        for (int j = 1; j <= 10; ++j) {
            file += "Data" + num::zeroPad(j, 2) + "=10,10,10,10,100,100,100,100,1\r\n";
        }
    }
    putFile(file);
    int found = 0;
    for (int s = 1; s <= 100; ++s) {
        found += ini.ReadStr("ListData" + num::zeroPad(s, 3), "ListName", "") ==
                 "登録名#" + std::to_string(s);
    }
    EXPECT_EQ(found, 100);
}

}  // namespace
}  // namespace rimvista
