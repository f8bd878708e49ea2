// The host tests never touch the user's own desktop settings: GSettings keeps
// everything in memory, for this process and the programs it starts.
#include <gtest/gtest.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
