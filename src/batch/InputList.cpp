#include "batch/InputList.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

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

struct Walk {
    const BatchOptions& options;
    fs::path root;
    fs::path outFolder;
    std::vector<InputName> found;
    std::vector<std::string>& notes;
    std::set<std::pair<dev_t, ino_t>> walked;  // folders already walked: a link back is a loop
};

bool isEarlierResult(const fs::path& p, const BatchOptions& o) {
    const std::string suffix = o.suffix.value_or(std::string(kDefaultSuffix));
    if (o.output || suffix.empty()) return false;
    const std::string stem = p.stem().string();
    return stem.size() > suffix.size() && stem.ends_with(suffix);
}

// Walks one folder, the subfolders first noted and then walked in turn.
void visit(Walk& w, const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        if (hidden(p)) continue;
        std::error_code e;
        if (it->is_directory(e)) {
            if (!w.outFolder.empty() && sameFolder(p, w.outFolder)) continue;
            const bool link = it->is_symlink(e);
            if (link && !w.options.followLinks) {
                w.notes.push_back(
                    p.string() + say(": a link to a folder, not followed (-L follows it)",
                                     ": フォルダーへのリンクなのでたどりません (-L でたどります)"));
                continue;
            }
            struct stat info {};
            if (::stat(p.c_str(), &info) != 0) continue;
            if (!w.walked.emplace(info.st_dev, info.st_ino).second) {
                w.notes.push_back(
                    p.string() + say(": a link to a folder already walked (a loop), not followed",
                                     ": 既にたどったフォルダーへのリンク (輪) なのでたどりません"));
                continue;
            }
            visit(w, p);
            continue;
        }
        if (!it->is_regular_file(e) || isEarlierResult(p, w.options)) continue;
        const std::string relative = p.lexically_relative(w.root).string();
        w.found.push_back(InputName{p.string(), relative, true, relative});
    }
}

void walk(const std::string& folder, const BatchOptions& o, GatheredInputs& gathered) {
    Walk w{o,  fs::path(folder), o.output ? fs::path(*o.output) : fs::path(),
           {}, gathered.notes,   {}};
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) w.walked.emplace(info.st_dev, info.st_ino);
    visit(w, w.root);
    std::sort(w.found.begin(), w.found.end(),
              [](const InputName& a, const InputName& b) { return a.path < b.path; });
    gathered.names.insert(gathered.names.end(), w.found.begin(), w.found.end());
}

// Named pictures split the same however they were spelled: by the path with links resolved.
std::string normalisedPath(const std::string& name) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(name, ec);
    if (ec) c = fs::absolute(name, ec).lexically_normal();
    return c.string();
}

void add(const std::string& name, const BatchOptions& o, GatheredInputs& gathered) {
    std::error_code ec;
    if (o.recursive && fs::is_directory(name, ec))
        walk(name, o, gathered);
    else
        gathered.names.push_back(
            InputName{name, fs::path(name).filename().string(), false, normalisedPath(name)});
}

// The names a list holds: NUL-separated with -0, otherwise one a line (CR LF too). A leading
// byte-order mark is no part of the first name; a NUL in a line means the list was meant for -0.
std::variant<std::vector<std::string>, std::string> namesInList(std::istream& in,
                                                                const BatchOptions& o) {
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    const char separator = o.nullSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!o.nullSeparated) {
            if (!name.empty() && name.back() == '\r') name.pop_back();
            if (name.find('\0') != std::string::npos)
                return say("line " + std::to_string(lineNumber) +
                               " of the list of pictures "
                               "holds a NUL byte (give -0 for names that end in NUL)",
                           "画像の一覧の " + std::to_string(lineNumber) +
                               " 行目に NUL バイトがあります (NUL で区切った名前には -0 "
                               "を指定してください)");
        }
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

std::variant<GatheredInputs, std::string> gatherInputs(const BatchOptions& o,
                                                       std::istream& standardInput) {
    GatheredInputs gathered;
    for (const std::string& name : o.pictures) add(name, o, gathered);
    if (o.filesFrom) {
        std::ifstream file;
        std::istream* in = &standardInput;
        if (*o.filesFrom != "-") {
            file.open(*o.filesFrom, std::ios::binary);
            if (!file)
                return say("cannot read the list of pictures ", "画像の一覧を読めません: ") +
                       *o.filesFrom;
            in = &file;
        }
        auto listed = namesInList(*in, o);
        if (auto* error = std::get_if<std::string>(&listed)) return *error;
        for (const std::string& name : std::get<std::vector<std::string>>(listed))
            add(name, o, gathered);
    }
    return gathered;
}

bool inShard(const std::string& name, int k, int n) {
    // FNV-1a: the same on every machine and every build, unlike std::hash.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    return static_cast<int>(h % static_cast<std::uint64_t>(n)) == k - 1;
}

}  // namespace rimvista::batch
