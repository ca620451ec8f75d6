#include "batch/InputList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/Messages.h"
#include "batch/OutputPlan.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDefaultSuffix = "-framed";

bool hidden(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name[0] == '.';
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

void walk(const std::string& folder, const BatchOptions& o, std::vector<InputName>& names) {
    const bool beside = !o.output;
    const std::string suffix = o.suffix.value_or(std::string(kDefaultSuffix));
    const fs::path outFolder = o.output ? fs::path(*o.output) : fs::path();
    std::vector<InputName> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        if (hidden(p) || (it->is_directory(ec) && !outFolder.empty() && sameFolder(p, outFolder))) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec)) continue;
        if (beside && !suffix.empty()) {
            const std::string stem = p.stem().string();
            if (stem.size() > suffix.size() && stem.ends_with(suffix)) continue;
        }
        found.push_back(InputName{p.string(), p.lexically_relative(folder).string(), true});
    }
    std::sort(found.begin(), found.end(),
              [](const InputName& a, const InputName& b) { return a.path < b.path; });
    names.insert(names.end(), found.begin(), found.end());
}

void add(const std::string& name, const BatchOptions& o, std::vector<InputName>& names) {
    std::error_code ec;
    if (o.recursive && fs::is_directory(name, ec))
        walk(name, o, names);
    else
        names.push_back(InputName{name, fs::path(name).filename().string(), false});
}

}  // namespace

std::variant<std::vector<InputName>, std::string> gatherInputs(const BatchOptions& o,
                                                               std::istream& standardInput) {
    std::vector<InputName> names;
    for (const std::string& name : o.pictures) add(name, o, names);
    if (o.filesFrom) {
        std::ifstream file;
        std::istream* in = &standardInput;
        if (*o.filesFrom != "-") {
            file.open(*o.filesFrom);
            if (!file)
                return say("cannot read the list of pictures ", "画像の一覧を読めません: ") +
                       *o.filesFrom;
            in = &file;
        }
        for (std::string line; std::getline(*in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) add(line, o, names);
        }
    }
    return names;
}

bool inShard(const std::string& name, int k, int n) {
    // FNV-1a: the same on every machine and every build, unlike std::hash.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    return static_cast<int>(h % static_cast<std::uint64_t>(n)) == k - 1;
}

}  // namespace rimvista::batch
