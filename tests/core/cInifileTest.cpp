#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "IniTestFiles.h"
#include "core/cInifile.h"

namespace rimvista {
namespace {

using Settings = test::IniFileTest;
using namespace std::chrono_literals;

TEST_F(Settings, ReadIntFallsBackOnlyForMissingOrEmptyText) {
    EXPECT_EQ(ini.ReadInt("Position", "Width", 8000), 8000);  // no file
    const struct {
        const char* stored;
        std::int16_t expected;
    } cases[] = {{"", 8000},   {"abc", 0},         {"40000", 0}, {"12.5", 12},
                 {"13.5", 14}, {"-32768", -32768}, {" 7 ", 7},   {"8115", 8115}};
    for (const auto& c : cases) {
        putFile(std::string("[Position]\nWidth=") + c.stored + "\n");
        EXPECT_EQ(ini.ReadInt("Position", "Width", 8000), c.expected) << c.stored;
    }
    EXPECT_EQ(ini.ReadInt("Position", "Height", 6090), 6090);  // key missing
    EXPECT_EQ(ini.ReadInt("Elsewhere", "Width", -1), -1);      // section missing
}

TEST_F(Settings, ReadStrCutsLongValuesAtACharacterBoundary) {
    putFile("[S]\nlong=" + std::string(1500, 'x') + "\n");
    EXPECT_EQ(ini.ReadStr("S", "long", "d"), std::string(1023, 'x'));

    std::string japanese = "a";
    for (int i = 0; i < 600; ++i) japanese += "あ";  // 3 bytes each: 1023 would split one
    putFile("[S]\nname=" + japanese + "\n");
    EXPECT_EQ(ini.ReadStr("S", "name", "d"), japanese.substr(0, 1 + 340 * 3));
}

TEST_F(Settings, ReadingNeverCreatesTheFile) {
    EXPECT_EQ(ini.ReadStr("Folder", "DataFolder", "C:\\"), "C:\\");
    EXPECT_FALSE(fileExists());
    cInifile unnamed;
    EXPECT_EQ(unnamed.ReadStr("Folder", "DataFolder", "dflt"), "dflt");
    ini.FileName((m_dir / "no-such-folder" / "x.ini").string());
    EXPECT_EQ(ini.ReadStr("Folder", "DataFolder", "dflt"), "dflt");
}

TEST_F(Settings, WriteCreatesFileSectionAndKey) {
    ASSERT_NE(ini.WriteStr("Position", "Width", "8115"), 0);
    EXPECT_EQ(fileBytes(), "[Position]\nWidth=8115\n");
    ASSERT_NE(ini.WriteStr("Folder", "SaveFolder", "/tmp/out"), 0);
    ASSERT_NE(ini.WriteStr("Position", "Height", "6090"), 0);
    EXPECT_EQ(fileBytes(), "[Position]\nWidth=8115\nHeight=6090\n[Folder]\nSaveFolder=/tmp/out\n");
    EXPECT_NE(ini.Refresh(), 0);
}

TEST_F(Settings, ReplacingAValueKeepsEveryOtherByte) {
    const std::string before =
        "; written by hand\r\n[Position]\r\nTop=600\r\nWidth = 8115\r\n\r\n"
        "[Folder]\r\nDataFolder=C:\\pics\r\n; trailing comment";
    putFile(before);
    ASSERT_NE(ini.WriteStr("Position", "Width", "9000"), 0);
    EXPECT_EQ(fileBytes(),
              "; written by hand\r\n[Position]\r\nTop=600\r\nWidth =9000\r\n\r\n"
              "[Folder]\r\nDataFolder=C:\\pics\r\n; trailing comment");

    // A new key goes after the section's last line, with the file's own line ends.
    ASSERT_NE(ini.WriteStr("Position", "Left", "1200"), 0);
    ASSERT_NE(ini.WriteStr("Folder", "SaveFolder", "D:\\out"), 0);
    EXPECT_EQ(fileBytes(),
              "; written by hand\r\n[Position]\r\nTop=600\r\nWidth =9000\r\nLeft=1200\r\n\r\n"
              "[Folder]\r\nDataFolder=C:\\pics\r\n; trailing comment\r\nSaveFolder=D:\\out\r\n");
}

TEST_F(Settings, DeleteSectionRemovesAllItsLinesAndNothingElse) {
    const std::string before = "[A]\nx=1\n[ListData002]\nDataNum=1\n;c\n\n[B]\ny=2\n";
    putFile(before);
    EXPECT_NE(ini.DeleteSection("Absent"), 0);
    EXPECT_EQ(fileBytes(), before);
    ASSERT_NE(ini.DeleteSection("listdata002"), 0);
    EXPECT_EQ(fileBytes(), "[A]\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(ini.ReadInt("ListData002", "DataNum", 0), 0);
}

TEST_F(Settings, NamesIgnoreCaseAndSurroundingBlanks) {
    putFile("\xEF\xBB\xBF[ Position ]\n  WIDTH =12\n");  // a UTF-8 signature is no name
    EXPECT_EQ(ini.ReadStr("position", "width", "d"), "12");
    EXPECT_EQ(ini.ReadStr(" POSITION", "Width ", "d"), "12");
    ASSERT_NE(ini.WriteStr("POSITION", "width", "13"), 0);
    EXPECT_EQ(fileBytes(), "\xEF\xBB\xBF[ Position ]\n  WIDTH =13\n");
}

TEST_F(Settings, ValuesReadBackExactlyAsWritten) {
    const std::string values[] = {
        "  blanks around  ",    "a=b=c",      ";not a comment", "[not]",
        "\"quoted\"",           "額縁・二重", "登録名#1,2",     "tab\there",
        "5,5,5,5,20,30,10,40,1"};
    int i = 0;
    for (const auto& v : values) {
        const std::string key = "Key" + std::to_string(i++);
        ASSERT_NE(ini.WriteStr("ListData001", key, v), 0) << v;
        EXPECT_EQ(ini.ReadStr("ListData001", key, "d"), v);
    }
    i = 0;
    for (const auto& v : values) {  // and none of them disturbed the others
        EXPECT_EQ(ini.ReadStr("ListData001", "Key" + std::to_string(i++), "d"), v);
    }
}

TEST_F(Settings, CommentsAndDuplicates) {
    putFile("[S]\n;k=comment\n  ; k=also\nk=first\nk=second\n");
    EXPECT_EQ(ini.ReadStr("S", "k", "d"), "first");
    EXPECT_EQ(ini.ReadStr("S", ";k", "d"), "d");
    ASSERT_NE(ini.WriteStr("S", "k", "new"), 0);
    EXPECT_EQ(fileBytes(), "[S]\n;k=comment\n  ; k=also\nk=new\nk=second\n");
}

TEST_F(Settings, RefusesTextThatWouldAddLines) {
    putFile("[S]\nk=v\n");
    const struct {
        std::string section, key, value;
    } refused[] = {{"S", "k", "a\nb"},      {"S", "k", "a\rb"}, {"S", "k", std::string("a\0b", 3)},
                   {"S", "k\n[Evil]", "v"}, {"S\n", "k", "v"},  {"S]x", "k", "v"},
                   {"S", "a=b", "v"},       {"", "k", "v"},     {"S", "  ", "v"},
                   {"S", "[k", "v"},        {"S", ";k", "v"}};
    for (const auto& r : refused) {
        EXPECT_EQ(ini.WriteStr(r.section, r.key, r.value), 0) << r.section << "/" << r.key;
    }
    EXPECT_EQ(fileBytes(), "[S]\nk=v\n");
}

TEST_F(Settings, FailedWritesReturnZero) {
    cInifile unnamed;
    EXPECT_EQ(unnamed.WriteStr("S", "k", "v"), 0);
    EXPECT_EQ(unnamed.DeleteSection("S"), 0);
    EXPECT_EQ(unnamed.Refresh(), 0);

    ini.FileName((m_dir / "missing" / "x.ini").string());
    EXPECT_EQ(ini.WriteStr("S", "k", "v"), 0);
    EXPECT_EQ(ini.Refresh(), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));
}

TEST_F(Settings, ReadOnlyFileStaysUnchanged) {
    putFile("[S]\nk=v\n");
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(ini.WriteStr("S", "k", "w"), 0);
    EXPECT_EQ(ini.WriteStr("T", "k", "w"), 0);
    EXPECT_EQ(ini.DeleteSection("S"), 0);
    EXPECT_EQ(fileBytes(), "[S]\nk=v\n");
    EXPECT_EQ(ini.ReadStr("S", "k", "d"), "v");
}

TEST_F(Settings, ReadDateAcceptsCommonFormsOnly) {
    ASSERT_NE(ini.WriteStr("D", "iso", "2024-05-01"), 0);
    ASSERT_NE(ini.WriteStr("D", "slash", "2024/05/01 13:45"), 0);
    ASSERT_NE(ini.WriteStr("D", "bad", "2024-02-30"), 0);
    const auto midnight = ini.ReadDate("D", "iso", {});
    EXPECT_EQ(ini.ReadDate("D", "slash", {}) - midnight, 13h + 45min);
    EXPECT_EQ(ini.ReadDate("D", "seconds", midnight + 13h + 45min + 9s) - midnight,
              13h + 45min + 9s);  // missing: the default
    const auto now = std::chrono::system_clock::now();
    EXPECT_LT(std::chrono::abs(ini.ReadDate("D", "bad", midnight) - now), 5s);
}

}  // namespace
}  // namespace rimvista
