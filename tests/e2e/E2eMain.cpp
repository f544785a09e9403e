// The end-to-end tests start Kelbrook.exe as a separate process and watch it from outside.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
