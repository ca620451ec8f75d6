#include <iostream>

#include "FuzzSeeds.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_fuzz_seeds SOURCE_DIR OUTPUT_FOLDER\n";
        return 2;
    }
    rimvista::fuzz::writeSeeds(argv[1], argv[2]);
    return 0;
}
