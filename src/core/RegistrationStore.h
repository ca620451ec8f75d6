#pragma once
// Registrations: named replay lists of frame applications, kept in 100 slots of the settings
// file. Shared by the window and the batch tool, so that both lay slots out and read them back
// the same way.
//
// Slot s (1..100) is the section "ListData" + s in three digits ("ListData007"). Its keys, in the
// order Record writes them: "DataNum" (the entry count, 0..10), "ListName" (the name exactly as
// typed) and "Data01".."DataNN", one entry each. An entry is nine decimal 16-bit integers joined
// by single commas, no blanks: W0,W1,W2,W3,X0,X1,Y0,Y1,Kind (positions in that order).
// A slot is free when its "DataNum" reads as 0: missing, 0, or not a 16-bit number. A free slot
// may still carry a name, which the list shows. Registrations are never renumbered or moved.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"
#include "core/FrameParams.h"
#include "core/IniSnapshot.h"

namespace rimvista {
class cInifile;
}

namespace rimvista::reg {

inline constexpr int kSlotCount = 100;
// The list's text for a slot without a name. A registration named exactly this cannot be chosen.
inline constexpr std::string_view kUnregisteredName = "（未登録）";
inline constexpr std::string_view kCountKey = "DataNum";
inline constexpr std::string_view kNameKey = "ListName";

std::string sectionName(int slot);  // 7 -> "ListData007"
std::string entryKey(int entry);    // 3 -> "Data03"
std::string formatEntry(const FrameParams& p);

// One stored entry, split the way the replay splits it: eight times the text before the first
// comma, keeping the rest after it; what remains is the kind. The eight texts are kept as they
// stand, because the replay puts them into the parameter boxes unconverted.
struct EntryText {
    std::array<std::string, 8> fields;  // W0, W1, W2, W3, X0, X1, Y0, Y1
    std::int16_t kind = 0;              // 0 convex, 1 concave
    bool operator==(const EntryText&) const = default;
};
// Empty for what the program never writes: fewer than eight commas, or a kind that is not a
// number giving 0 or 1 (more than eight commas leave a kind that is not a number).
std::optional<EntryText> parseEntry(std::string_view text);

// Works on anything with cInifile's ReadInt: the file, a snapshot, or an IniDraft under the lock.
template <class Settings>
bool isFree(const Settings& ini, int slot) {
    return ini.ReadInt(sectionName(slot), std::string(kCountKey), 0) == 0;
}

template <class Settings>
std::optional<int> lowestFreeSlot(const Settings& ini) {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (isFree(ini, slot)) return slot;
    }
    return std::nullopt;
}

struct RecordResult {
    enum class Status { Recorded, NoFreeSlot, WriteFailed };
    Status status = Status::WriteFailed;
    int slot = 0;  // the slot written, when Recorded
};

// A name as the file can hold it, one line per key: each line break (CR LF, CR or LF) and each
// NUL becomes one blank; everything else is kept as typed. A single-line name box only gets line
// breaks from pasted text, and dropping the whole registration for them would lose it silently.
std::string storableName(std::string_view typed);

// Writes a registration into the lowest slot free at the moment of writing: "DataNum", "ListName"
// and the entries, in that order, in one locked and atomic change of the file. Two copies of the
// program recording at once get two different slots, and an interrupted Record leaves the file
// as it was. Other keys already in the slot stay. The name must be non-empty; a name or file
// that cannot be written (a line break in the name, a read-only file) gives WriteFailed and
// changes nothing.
RecordResult recordRegistration(cInifile& ini, const std::string& name,
                                const std::vector<FrameParams>& entries);

// The reads below work on anything with cInifile's ReadStr and ReadInt: the file itself, a
// snapshot of it (one pass over a large file, see slotsSnapshot), or a draft under the lock.

// The slot's "ListName", or kUnregisteredName when it has none (or an empty one).
template <class Settings>
std::string readName(const Settings& ini, int slot) {
    return ini.ReadStr(sectionName(slot), std::string(kNameKey), std::string(kUnregisteredName));
}

// The lowest slot whose name is exactly `name`; never for kUnregisteredName, which the list
// cannot choose either. A slot with a name and no entries counts.
template <class Settings>
std::optional<int> findSlotByName(const Settings& ini, std::string_view name) {
    if (name == kUnregisteredName) return std::nullopt;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (readName(ini, slot) == name) return slot;
    }
    return std::nullopt;
}

// The slot's "DataNum" (0 when missing or not a number; may be anything a hand edit left).
template <class Settings>
int entryCount(const Settings& ini, int slot) {
    return ini.ReadInt(sectionName(slot), std::string(kCountKey), 0);
}

// Entry 1..DataNum of the slot; empty when the key is missing or the entry malformed.
template <class Settings>
std::optional<EntryText> readEntry(const Settings& ini, int slot, int entry) {
    return parseEntry(ini.ReadStr(sectionName(slot), entryKey(entry), ""));
}

// Entries 1..DataNum (at most `limit`), read in order up to and including the first missing or
// malformed one, which is then the last element and empty: a replay stops there.
template <class Settings>
std::vector<std::optional<EntryText>> readRegistration(const Settings& ini, int slot,
                                                       int limit = INT16_MAX) {
    std::vector<std::optional<EntryText>> entries;
    const int n = std::min(entryCount(ini, slot), limit);
    for (int j = 1; j <= n; ++j) {
        entries.push_back(readEntry(ini, slot, j));
        if (!entries.back()) break;
    }
    return entries;
}

// "DataNum", "ListName" and the first `entries` entries of every slot, read in one pass: for
// the list, Record's search for a free slot and the batch tool. From the file, or from a draft's
// text.
Result<IniSnapshot> slotsSnapshot(const cInifile& ini, int entries = 0);
IniSnapshot slotsSnapshot(std::string_view text);

// Removes the whole slot section; non-zero on success (also when there was nothing to remove).
long deleteRegistration(cInifile& ini, int slot);

}  // namespace rimvista::reg
