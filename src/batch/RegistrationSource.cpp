#include "batch/RegistrationSource.h"

#include <charconv>
#include <filesystem>

#include "batch/Messages.h"
#include "core/FrameCommand.h"
#include "core/RegistrationStore.h"
#include "core/SettingsPath.h"
#include "core/cInifile.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

std::optional<int> slotOf(const std::string& choice) {
    if (choice.size() < 2 || choice[0] != '#') return std::nullopt;
    int slot = 0;
    const char* end = choice.data() + choice.size();
    const auto [stop, ec] = std::from_chars(choice.data() + 1, end, slot);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return slot;
}

// Two registrations may share a name; the command line must then name the slot.
std::variant<int, std::string> slotByName(const IniSnapshot& ini, const std::string& name) {
    std::vector<int> slots;
    if (name != reg::kUnregisteredName) {
        for (int slot = 1; slot <= reg::kSlotCount; ++slot)
            if (reg::readName(ini, slot) == name) slots.push_back(slot);
    }
    if (slots.empty())
        return say("no registration is named ", "この名前の登録はありません: ") + name;
    if (slots.size() == 1) return slots.front();
    std::string list;
    for (int slot : slots) list += (list.empty() ? "#" : ", #") + std::to_string(slot);
    return say(
        "several registrations are named " + name + " (" + list + "); choose one by its slot",
        name + " という登録が複数あります (" + list + ")。番号で選んでください");
}

FrameParams entryFrame(const reg::EntryText& entry) {
    FrameTexts texts;
    for (int i = 0; i < 4; ++i) texts.W[i] = entry.fields[i];
    texts.X0 = entry.fields[4];
    texts.X1 = entry.fields[5];
    texts.Y0 = entry.fields[6];
    texts.Y1 = entry.fields[7];
    return readFrameParams(texts, entry.kind == 0);
}

// Every slot of the settings file (with its first `entries` entries) in one read, as the window
// reads it; or why the file cannot serve: missing, not a regular file, or holding text but not a
// single section line (a picture or some other file named by mistake). Damaged lines and NUL bytes
// are read past, as the window reads past them.
std::variant<IniSnapshot, std::string> readSettings(const std::string& settingsFile, int entries) {
    cInifile ini;
    ini.FileName(settingsFile);
    Result<IniSnapshot> snapshot = reg::slotsSnapshot(ini, entries);
    if (!snapshot || !snapshot->fileExists())
        return say("no settings file ", "設定ファイルがありません: ") + settingsFile;
    if (!snapshot->looksLikeSettings())
        return say(
            settingsFile + " is not a settings file (give the rimvista.ini the window writes)",
            settingsFile +
                " は設定ファイルではありません (ウィンドウが書く rimvista.ini を指定してください)");
    return std::move(*snapshot);
}

}  // namespace

std::string executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec).string() : exe.parent_path().string();
}

std::string windowSettingsFile(const std::string& folder) {
    return settingsFileFor(folder, "rimvista");
}

std::variant<std::vector<RegistrationSummary>, std::string> listRegistrations(
    const std::string& settingsFile) {
    auto read = readSettings(settingsFile, 0);
    if (auto* error = std::get_if<std::string>(&read)) return *error;
    const IniSnapshot& slots = std::get<IniSnapshot>(read);
    std::vector<RegistrationSummary> list;
    for (int slot = 1; slot <= reg::kSlotCount; ++slot) {
        const int count = reg::entryCount(slots, slot);
        if (count > 0) list.push_back(RegistrationSummary{slot, reg::readName(slots, slot), count});
    }
    return list;
}

std::variant<Registration, std::string> loadRegistration(const std::string& settingsFile,
                                                         const std::string& choice) {
    constexpr int kApplied = static_cast<int>(FrameHistory::kMaxApplications);
    auto read = readSettings(settingsFile, kApplied);
    if (auto* error = std::get_if<std::string>(&read)) return *error;
    const IniSnapshot& ini = std::get<IniSnapshot>(read);

    Registration r;
    if (const auto slot = slotOf(choice)) {
        if (*slot < 1 || *slot > reg::kSlotCount)
            return say("a slot is #1 to #", "番号は #1 から #") + std::to_string(reg::kSlotCount) +
                   say(": ", " です: ") + choice;
        r.slot = *slot;
    } else {
        auto found = slotByName(ini, choice);
        if (auto* error = std::get_if<std::string>(&found))
            return *error + say(" in " + settingsFile, " (" + settingsFile + ")");
        r.slot = std::get<int>(found);
    }
    r.name = reg::readName(ini, r.slot);
    const std::string which =
        say("registration #", "登録 #") + std::to_string(r.slot) + " (" + r.name + ")";

    const int count = reg::entryCount(ini, r.slot);
    if (count <= 0) return which + say(" holds no frames", " には枠がありません");
    const auto entries = reg::readRegistration(ini, r.slot, kApplied);
    const std::size_t applied = std::min<std::size_t>(count, FrameHistory::kMaxApplications);
    r.truncated = static_cast<std::size_t>(count) > applied;
    for (std::size_t j = 0; j < applied; ++j) {
        if (j >= entries.size() || !entries[j])
            return which + say(": entry ", ": 項目 ") + reg::entryKey(static_cast<int>(j + 1)) +
                   say(" is missing or malformed", " が無いか壊れています");
        r.frames.push_back(entryFrame(*entries[j]));
    }
    return r;
}

}  // namespace rimvista::batch
