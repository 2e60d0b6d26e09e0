// Scenarios of one architecture; when its Wine cannot run here the whole
// program reports a skip (exit 77) with the reason instead of passing.
#include <gtest/gtest.h>

#include <iostream>

#include "tests/scenario/Scenario.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::string reason = tavik::scenario::wineUnavailableReason(tavik::scenario::architecture());
    if (!reason.empty()) {
        std::cout << "SKIPPED: " << reason << std::endl;  // the form every skipping test prints, for the run's summary
        return 77;
    }
    return RUN_ALL_TESTS();
}
