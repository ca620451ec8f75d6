// The slot layout in the settings file: entry text, free slots, Record's writes, names as typed,
// and several writes made as one change of the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/IniDraft.h"
#include "core/IniTestFiles.h"
#include "core/RegistrationStore.h"

namespace rimvista {
namespace {

using RegistrationStore = test::IniFileTest;
using reg::RecordResult;

FrameParams params(std::int16_t w, std::int16_t x0, std::int16_t x1, std::int16_t y0,
                   std::int16_t y1, std::int16_t kind) {
    return makeFrameParams(w, w, w, w, x0, x1, y0, y1, kind);
}

TEST(SlotLayout, KeysAndEntryText) {
    EXPECT_EQ(reg::sectionName(1), "ListData001");
    EXPECT_EQ(reg::sectionName(100), "ListData100");
    EXPECT_EQ(reg::entryKey(1), "Data01");
    EXPECT_EQ(reg::entryKey(10), "Data10");
    // Positions go X0, X1, Y0, Y1 in the text, not in the record's own order.
    EXPECT_EQ(reg::formatEntry(params(5, 20, 30, 10, 40, 1)), "5,5,5,5,20,30,10,40,1");
    FrameParams p = params(-32768, 32767, -1, 0, 7, 0);
    p.W[3] = 12;
    EXPECT_EQ(reg::formatEntry(p), "-32768,-32768,-32768,12,32767,-1,0,7,0");
}

TEST(SlotLayout, EntriesSplitAtTheFirstCommaEightTimes) {
    const auto e = reg::parseEntry("5,5,5,5,20,30,10,40,1");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->fields, (std::array<std::string, 8>{"5", "5", "5", "5", "20", "30", "10", "40"}));
    EXPECT_EQ(e->kind, 1);
    // The fields are kept as text for the boxes; the kind follows the number rule.
    const auto loose = reg::parseEntry(" 7.5,abc,,-0,1e1,x y,0,0, 0 ");
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->fields[0], " 7.5");
    EXPECT_EQ(loose->fields[2], "");
    EXPECT_EQ(loose->fields[5], "x y");
    EXPECT_EQ(loose->kind, 0);
    for (const char* bad :
         {"", "5,5,5,5,0,0,0,0", "5,5,5,5,0,0,0,0,", "5,5,5,5,0,0,0,0,2", "5,5,5,5,0,0,0,0,-1",
          "5,5,5,5,0,0,0,0,x", "5,5,5,5,0,0,0,0,1,7", "5,5,5,5,0,0,0,0,99999"}) {
        EXPECT_FALSE(reg::parseEntry(bad)) << bad;
    }
}

TEST_F(RegistrationStore, FreeSlotsAndRecordedKeyOrder) {
    putFile(
        "[ListData001]\nDataNum=3\n[ListData002]\nDataNum=0\nListName=kept\nData05=old\n"
        "[ListData003]\nDataNum=abc\n[ListData004]\nDataNum=40000\n");
    EXPECT_FALSE(reg::isFree(ini, 1));
    for (int slot : {2, 3, 4, 5}) EXPECT_TRUE(reg::isFree(ini, slot)) << slot;

    // A free slot that still has keys: the written ones change in place, the others stay.
    RecordResult r = reg::recordRegistration(ini, "二つ", {params(5, 0, 0, 0, 0, 0)});
    ASSERT_EQ(r.status, RecordResult::Status::Recorded);
    EXPECT_EQ(r.slot, 2);
    r = reg::recordRegistration(ini, "新", {params(3, 1, 2, 3, 4, 1), params(9, 0, 0, 0, 0, 0)});
    EXPECT_EQ(r.slot, 3);
    EXPECT_EQ(fileBytes(),
              "[ListData001]\nDataNum=3\n[ListData002]\nDataNum=1\nListName=二つ\nData05=old\n"
              "Data01=5,5,5,5,0,0,0,0,0\n[ListData003]\nDataNum=2\nListName=新\n"
              "Data01=3,3,3,3,1,2,3,4,1\nData02=9,9,9,9,0,0,0,0,0\n[ListData004]\nDataNum=40000\n");
}

TEST_F(RegistrationStore, RecordRefusalsWriteNothing) {
    std::string full;
    for (int s = 1; s <= reg::kSlotCount; ++s) full += "[" + reg::sectionName(s) + "]\nDataNum=1\n";
    putFile(full);
    EXPECT_EQ(reg::recordRegistration(ini, "x", {}).status, RecordResult::Status::NoFreeSlot);
    EXPECT_EQ(fileBytes(), full);

    putFile("[ListData001]\nDataNum=1\nListName=a\n");
    // A line break would split the name into a line of its own: no key of the slot is written.
    EXPECT_EQ(reg::recordRegistration(ini, "two\nlines", {params(5, 0, 0, 0, 0, 0)}).status,
              RecordResult::Status::WriteFailed);
    EXPECT_EQ(reg::recordRegistration(ini, "", {}).status, RecordResult::Status::WriteFailed);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_read);
    EXPECT_EQ(reg::recordRegistration(ini, "ro", {}).status, RecordResult::Status::WriteFailed);
    EXPECT_EQ(fileBytes(), "[ListData001]\nDataNum=1\nListName=a\n");
}

TEST_F(RegistrationStore, NamesAreFoundExactlyAsTyped) {
    for (const char* name : {"  lead", "lead", "（未登録）", "[x]"}) {
        const auto r = reg::recordRegistration(ini, name, {params(5, 0, 0, 0, 0, 0)});
        ASSERT_EQ(r.status, RecordResult::Status::Recorded);
    }
    EXPECT_EQ(reg::readName(ini, 1), "  lead");
    EXPECT_EQ(reg::findSlotByName(ini, "lead"), 2);
    EXPECT_EQ(reg::findSlotByName(ini, "[x]"), 4);
    EXPECT_EQ(reg::readName(ini, 3), "（未登録）");
    EXPECT_EQ(reg::findSlotByName(ini, "（未登録）"), std::nullopt);  // cannot be chosen
    EXPECT_EQ(reg::storableName("  a\r\nb\rc\nd"), "  a b c d");
    EXPECT_EQ(reg::storableName(std::string("x\0y", 3)), "x y");
    ASSERT_NE(reg::deleteRegistration(ini, 2), 0);
    EXPECT_EQ(reg::readName(ini, 2), "（未登録）");
    EXPECT_EQ(reg::lowestFreeSlot(ini), 2);
}

TEST_F(RegistrationStore, ReadingStopsAtTheFirstBrokenEntry) {
    putFile(
        "[ListData001]\nDataNum=4\nData01=1,1,1,1,0,0,0,0,0\nData03=3,3,3,3,0,0,0,0,1\n"
        "Data04=4,4,4,4,0,0,0,0,0\n[ListData002]\nDataNum=-5\nData01=1,1,1,1,0,0,0,0,0\n");
    const auto entries = reg::readRegistration(ini, 1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]->fields[0], "1");
    EXPECT_FALSE(entries[1]);
    EXPECT_TRUE(reg::readRegistration(ini, 2).empty());
    EXPECT_TRUE(reg::readRegistration(ini, 3).empty());
}

TEST_F(RegistrationStore, LegacyFileListsItsNamesAndTakesNewOnes) {
    std::filesystem::copy_file(RIMVISTA_FIXTURES_DIR "/legacy-sjis.ini", m_path);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(reg::readName(ini, 1), "額縁・二重");
    EXPECT_EQ(reg::readName(ini, 3), "ボタン風（凸）");
    EXPECT_EQ(reg::readName(ini, 4), "空の登録");
    EXPECT_EQ(reg::readName(ini, 10), "登録名#10");
    EXPECT_EQ(reg::lowestFreeSlot(ini), 2);
    EXPECT_EQ(reg::readRegistration(ini, 10).size(), 3u);
    EXPECT_EQ(reg::recordRegistration(ini, "新しい", {}).slot, 2);
    EXPECT_EQ(reg::recordRegistration(ini, "次", {}).slot, 2);  // count 0 leaves it free
    EXPECT_EQ(reg::readName(ini, 1), "額縁・二重");
    EXPECT_EQ(reg::readName(ini, 2), "次");
    EXPECT_EQ(reg::readEntry(ini, 1, 2)->fields[4], "11");
}

TEST_F(RegistrationStore, UpdateWritesAllOrNothing) {
    putFile("[S]\na=1\n");
    const long done = ini.Update([](IniDraft& d) {
        d.WriteStr("S", "b", "2");
        EXPECT_EQ(d.ReadStr("S", "b", ""), "2");  // a draft reads its own writes
        EXPECT_EQ(d.ReadInt("S", "a", 9), 1);
        d.DeleteSection("Missing");
        return d.WriteStr("T", "c", "3") != 0;
    });
    EXPECT_NE(done, 0);
    EXPECT_EQ(fileBytes(), "[S]\na=1\nb=2\n[T]\nc=3\n");
    EXPECT_EQ(ini.Update([](IniDraft& d) { return d.WriteStr("S", "a", "x") == 0; }), 0);
    EXPECT_EQ(fileBytes(), "[S]\na=1\nb=2\n[T]\nc=3\n");
    cInifile nowhere;
    nowhere.FileName((m_dir / "missing" / "x.ini").string());
    EXPECT_EQ(nowhere.Update([](IniDraft&) { return true; }), 0);
}

}  // namespace
}  // namespace rimvista
