// The Windows tests run on a thread with COM and OLE, as the program's own thread does.
#include <gtest/gtest.h>

#include "core/win32/Win32Support.h"

int main(int argc, char** argv) {
    kelbrook::win32::OleScope ole;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
