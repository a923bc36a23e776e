#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cmdline.h"
#include "core/context.h"

namespace {

std::vector<std::string> words(const char* line) {
    std::vector<std::string> out;
    char w[16];
    const char* p = line;
    while (nextCommandWord(&p, w, sizeof w)) out.push_back(w);
    return out;
}

}  // namespace

TEST(CommandLine, WordsSplitAsTheCRuntimeSplitsThem) {
    EXPECT_EQ(words("a  \"b c\"\td"), (std::vector<std::string>{"a", "b c", "d"}));
    EXPECT_EQ(words("\"C:\\Program Files\\x.exe\" /S"), (std::vector<std::string>{"C:\\Program File", "/S"}))
        << "a word longer than its buffer is cut";
    EXPECT_EQ(words("a\\\\\"b c\" \\\"q a\\b"), (std::vector<std::string>{"a\\b c", "\"q", "a\\b"}));
    EXPECT_EQ(words("\"x\"\"y\" \"\""), (std::vector<std::string>{"x\"y", ""}));
    EXPECT_TRUE(words("   ").empty());
}

TEST(CommandLine, SwitchesInAnyCaseWithSlashOrDash) {
    CommandLine cl;
    ASSERT_EQ(parseCommandLine("TwainSetup.exe", &cl), 1);
    EXPECT_FALSE(cl.any);
    EXPECT_EQ(cl.mode, ModeInstall);
    EXPECT_STREQ(cl.language, "ENGLISH");

    ASSERT_EQ(parseCommandLine("x.exe -s /LANG=german \"/model=Example MFP 1600 Series\" /Ip=10.0.0.5 /log", &cl), 1);
    EXPECT_TRUE(cl.any && cl.silent && cl.log);
    EXPECT_STREQ(cl.language, "german");
    EXPECT_STREQ(cl.model, "Example MFP 1600 Series");
    EXPECT_STREQ(cl.address, "10.0.0.5");
    EXPECT_STREQ(cl.logPath, "");
    ASSERT_EQ(parseCommandLine("x /verysilent /uninstall /log=C:\\t.log", &cl), 1);
    EXPECT_EQ(cl.mode, ModeRemove);
    EXPECT_STREQ(cl.logPath, "C:\\t.log");
    ASSERT_EQ(parseCommandLine("x /quiet /upgrade /?", &cl), 1);
    EXPECT_TRUE(cl.help);
    EXPECT_EQ(cl.mode, ModeUpgrade);
}

TEST(CommandLine, RefusesWhatIsNoValidSwitch) {
    CommandLine cl;
    for (const char* bad : {"/bogus", "install", "/lang=", "/model=", "/ip=1.2.3", "/ip=1.2.3.256", "/ip=1.2.3.4.5",
                            "/ip=01234.1.1.1", "/ip=a.b.c.d", "/log=", "/S=1"}) {
        std::string line = std::string("x /S ") + bad + " /remove";
        EXPECT_EQ(parseCommandLine(line.c_str(), &cl), 0) << bad;
        EXPECT_STREQ(cl.refused, bad);
        EXPECT_TRUE(cl.silent) << "what came before the bad word is kept";
    }
    std::string longValue = "x /lang=" + std::string(5000, 'A');
    EXPECT_EQ(parseCommandLine(longValue.c_str(), &cl), 0) << "a value too long for its field";

    // Read whole: a bad word first must not hide the /S and /log after it.
    ASSERT_EQ(parseCommandLine("x /ip=10.0.0.300 /S /model=16 /bad /log=C:\\a.log", &cl), 0);
    EXPECT_STREQ(cl.refused, "/ip=10.0.0.300") << "the first bad word is named";
    EXPECT_TRUE(cl.silent && cl.log);
    EXPECT_STREQ(cl.logPath, "C:\\a.log");
    // A log name longer than a Windows path is refused whole, never cut to
    // the name of another file.
    std::string longest = "C:\\" + std::string(256, 'L');  // 259: MAX_PATH with its NUL
    ASSERT_EQ(parseCommandLine(("x /S /log=" + longest).c_str(), &cl), 1);
    EXPECT_EQ(cl.logPath, longest);
    ASSERT_EQ(parseCommandLine(("x /S /log=" + longest + "x").c_str(), &cl), 0);
    EXPECT_FALSE(cl.log);
    EXPECT_STREQ(cl.logPath, "");
}

TEST(CommandLine, AddressesTakeOnePlainDecimalForm) {
    CommandLine cl;
    ASSERT_EQ(parseCommandLine("x /S /ip=192.168.001.020", &cl), 1);
    EXPECT_STREQ(cl.address, "192.168.1.20") << "leading zeros are decimal, never octal";
    char out[32];
    for (auto c : {std::pair<const char*, const char*>{"010.000.08.099", "10.0.8.99"}, {"255.255.255.255", "255.255.255.255"},
                   {"0.0.0.0", "0.0.0.0"}}) {
        ASSERT_EQ(canonicalAddress(c.first, out, sizeof out), 1) << c.first;
        EXPECT_STREQ(out, c.second);
    }
    for (const char* bad : {"1.2.3.0256", "1.2.3.-1", "1.2.3.4 ", " 1.2.3.4", "1..2.3", "0x1.2.3.4", ""})
        EXPECT_EQ(canonicalAddress(bad, out, sizeof out), 0) << bad;
}
