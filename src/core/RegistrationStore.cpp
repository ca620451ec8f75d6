#include "core/RegistrationStore.h"

#include "core/IniDraft.h"
#include "core/NumberText.h"
#include "core/cInifile.h"

namespace rimvista::reg {

namespace {

std::string key(std::string_view k) {
    return std::string(k);
}

// Writes the keys of one registration into the draft, in the order users find them in the file.
bool writeSlot(IniDraft& draft, int slot, const std::string& name,
               const std::vector<FrameParams>& entries) {
    const std::string section = sectionName(slot);
    const auto put = [&](const std::string& k, const std::string& value) {
        return draft.WriteStr(section, k, value) != 0;
    };
    bool ok = put(key(kCountKey), num::formatInt(entries.size())) && put(key(kNameKey), name);
    for (std::size_t j = 0; ok && j < entries.size(); ++j) {
        ok = put(entryKey(static_cast<int>(j + 1)), formatEntry(entries[j]));
    }
    return ok;
}

}  // namespace

std::string sectionName(int slot) {
    return "ListData" + num::zeroPad(slot, 3);
}

std::string entryKey(int entry) {
    return "Data" + num::zeroPad(entry, 2);
}

std::string formatEntry(const FrameParams& p) {
    std::string text;
    for (const std::int16_t v : {p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1}) {
        text += num::formatInt(v);
        text += ',';
    }
    return text + num::formatInt(p.Kind);
}

std::optional<EntryText> parseEntry(std::string_view text) {
    EntryText entry;
    for (std::string& field : entry.fields) {
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos) return std::nullopt;
        field = std::string(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    const std::optional<std::int16_t> kind = num::parseInt16(text);
    if (!kind || (*kind != 0 && *kind != 1)) return std::nullopt;
    entry.kind = *kind;
    return entry;
}

std::string storableName(std::string_view typed) {
    std::string name;
    name.reserve(typed.size());
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (c == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n') continue;
        name += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
    }
    return name;
}

RecordResult recordRegistration(cInifile& ini, const std::string& name,
                                const std::vector<FrameParams>& entries) {
    RecordResult result;
    if (name.empty()) return result;
    // The slot is chosen again under the lock: another copy may have taken the one this copy
    // proposed while its user was typing the name.
    const long written = ini.Update([&](IniDraft& draft) {
        const std::optional<int> slot = lowestFreeSlot(slotsSnapshot(draft.text()));
        if (!slot) {
            result.status = RecordResult::Status::NoFreeSlot;
            return false;
        }
        result.slot = *slot;
        return writeSlot(draft, *slot, name, entries);
    });
    if (written != 0) {
        result.status = RecordResult::Status::Recorded;
    } else if (result.status != RecordResult::Status::NoFreeSlot) {
        result.slot = 0;
    }
    return result;
}

namespace {

std::vector<std::string> everySlotSection() {
    std::vector<std::string> sections;
    for (int slot = 1; slot <= kSlotCount; ++slot) sections.push_back(sectionName(slot));
    return sections;
}

std::vector<std::string> slotKeys(int entries) {
    std::vector<std::string> keys{key(kCountKey), key(kNameKey)};
    for (int j = 1; j <= entries; ++j) keys.push_back(entryKey(j));
    return keys;
}

}  // namespace

Result<IniSnapshot> slotsSnapshot(const cInifile& ini, int entries) {
    return IniSnapshot::ofFile(ini, everySlotSection(), slotKeys(entries));
}

IniSnapshot slotsSnapshot(std::string_view text) {
    return IniSnapshot(text, everySlotSection(), slotKeys(0));
}

long deleteRegistration(cInifile& ini, int slot) {
    return ini.DeleteSection(sectionName(slot));
}

}  // namespace rimvista::reg
