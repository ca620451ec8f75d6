// main() for the tests of the plain C++ subsystems: the process takes the user's locale, as both
// programs do (Qt sets it for the window), so the suite run in a German or Japanese locale meets
// what users meet.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
