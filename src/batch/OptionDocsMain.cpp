// Writes rimvista-batch's manual page and shell completions into the folder given; run by the
// build, so that what is installed always matches the option table.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "batch/OptionDocs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = argv[1];
    std::error_code ec;
    fs::create_directories(folder, ec);
    using namespace rimvista::batch;
    const std::pair<const char*, std::string> files[] = {
        {"rimvista-batch.1", manualPage(RIMVISTA_VERSION)},
        {"rimvista-batch.bash", bashCompletion()},
        {"_rimvista-batch", zshCompletion()},
        {"rimvista-batch.fish", fishCompletion()},
    };
    for (const auto& [name, text] : files) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}
