// The registration entries as the batch tool replays them from a settings file: the slot's
// count, name and entries, each entry split and read as the window's boxes read it.
// Input: one byte choosing the slot, then the file's bytes.
#include <string>
#include <string_view>
#include <variant>

#include "FuzzTarget.h"
#include "batch/RegistrationSource.h"
#include "core/IniDraft.h"
#include "core/IniText.h"
#include "core/RegistrationStore.h"
#include "core/cInifile.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzRegistration) {
    if (size < 1) return 0;
    const int slot = data[0] % reg::kSlotCount + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    // Every line as an entry text: a parsed entry says the same once written again.
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t lf = std::min(text.find('\n', at), text.size());
        if (const auto entry = reg::parseEntry(text.substr(at, lf - at))) {
            FUZZ_CHECK(entry->kind == 0 || entry->kind == 1);
            FrameTexts texts;
            for (int i = 0; i < 4; ++i) texts.W[i] = entry->fields[i];
            texts.X0 = entry->fields[4], texts.X1 = entry->fields[5];
            texts.Y0 = entry->fields[6], texts.Y1 = entry->fields[7];
            const FrameParams p = readFrameParams(texts, entry->kind == 0);
            const auto again = reg::parseEntry(reg::formatEntry(p));
            FUZZ_CHECK(again && again->kind == p.Kind);
        }
        at = lf + 1;
    }

    const std::string decoded = ini::decodeFileText(std::string(text)).text;
    const IniDraft draft(decoded);
    if (const auto free = reg::lowestFreeSlot(draft)) FUZZ_CHECK(reg::isFree(draft, *free));
    // The one-pass snapshots, of the decoded text and of the file's own bytes decoding only the
    // lines they keep, read what the key-by-key reads read.
    const char* path = fuzz::asFile(data + 1, size - 1);
    cInifile file;
    file.FileName(path);
    const auto fromFile = reg::slotsSnapshot(file, 10);
    FUZZ_CHECK(fromFile.ok());
    for (const IniSnapshot& slots : {reg::slotsSnapshot(decoded), *fromFile}) {
        FUZZ_CHECK(reg::lowestFreeSlot(slots) == reg::lowestFreeSlot(draft));
        FUZZ_CHECK(reg::readName(slots, slot) == reg::readName(draft, slot));
    }
    FUZZ_CHECK(reg::readRegistration(*fromFile, slot, 10) ==
               reg::readRegistration(draft, slot, 10));

    const auto loaded = batch::loadRegistration(path, "#" + std::to_string(slot));
    if (const auto* r = std::get_if<batch::Registration>(&loaded)) {
        FUZZ_CHECK(r->slot == slot);
        FUZZ_CHECK(!r->frames.empty() && r->frames.size() <= 10);
    }
    return 0;
}
