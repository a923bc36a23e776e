// Start-up under Wine: the Windows classification on each emulated version,
// the write-access probe, and the early ends of a run.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>
#include <string>

#include "core/context.h"
#include "core/oscode.h"
#include "app/startup.h"
#include "winfiles.h"

using namespace winfiles;

// CTest runs this once per emulated version and says what to expect.
TEST(WinVersion, ClassifiesTheRunningSystem) {
    const char* expected = getenv("EXPECTED_OSCODE");
    ASSERT_NE(expected, nullptr) << "run through CTest, which sets EXPECTED_OSCODE";
    static InstallContext ctx;
    classifyWindows(&ctx);
    EXPECT_EQ(ctx.osCode, atoi(expected));
}

TEST(WinVersion, RunOnRefusedSystemEndsBeforeAnyPage) {
    static InstallContext ctx;
    classifyWindows(&ctx);
    if (ctx.osCode != OsNt4) GTEST_SKIP() << "only meaningful on NT 4.0";
    EXPECT_EQ(runInstaller(&ctx), 0);
    EXPECT_EQ(ctx.languageId, 0u);
    EXPECT_FALSE(exists(systemFile("DrvSetupLang.dll")));
}

TEST(Probe, SucceedsAndLeavesNothingBehind) {
    EXPECT_EQ(probeSystemDirectory(), 1);
    EXPECT_FALSE(exists(systemFile("TEST.T")));
}

TEST(Probe, FailsWhenTheProbeFileCannotBeCreated) {
    // A folder in the way makes the create fail, as a read-only system
    // folder would.
    std::string blocker = systemFile("TEST.T");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), NULL));
    EXPECT_EQ(probeSystemDirectory(), 0);

    static InstallContext ctx;
    ctx.osCode = 7;  // the run must clear the record first
    EXPECT_EQ(runInstaller(&ctx), 0);
    EXPECT_EQ(ctx.osCode, 0) << "the run ended before the classification";
    RemoveDirectoryA(blocker.c_str());
}
