#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/outcome.h"

TEST(Outcome, KeepsTheFirstFailureCountsAllAndShowsEveryItem) {
    std::vector<std::string> seen;
    Outcome o = {};
    o.observer = [](void* data, const OutcomeItem* item) {
        ((std::vector<std::string>*)data)->push_back(std::string(item->path) + ":" + std::to_string(item->error) +
                                                      ">" + item->target);
    };
    o.observerData = &seen;
    EXPECT_EQ(outcomeRecord(&o, ActionCopyFile, "C:\\pkg\\A.DS", 0, 10, "C:\\w\\A.DS"), 1);
    EXPECT_EQ(outcomeRecord(&o, ActionPlaceFile, "C:\\w\\B.DLL", 5), 0);
    EXPECT_EQ(outcomeRecord(&o, ActionUndo, "C:\\w\\A.DS", 32), 0);
    EXPECT_EQ(outcomeRecord(&o, ActionCreateFolder, nullptr, 0), 1);
    EXPECT_EQ(o.done, 2u);
    EXPECT_EQ(o.failures, 2u);
    EXPECT_EQ(o.undoFailures, 1u);
    EXPECT_EQ(o.firstAction, ActionPlaceFile);
    EXPECT_EQ(o.firstError, 5u);
    EXPECT_STREQ(outcomeFirstName(&o), "B.DLL");
    EXPECT_EQ(seen, (std::vector<std::string>{"C:\\pkg\\A.DS:0>C:\\w\\A.DS", "C:\\w\\B.DLL:5>", "C:\\w\\A.DS:32>", ":0>"}));

    // A path longer than the field is cut, never overrun; a reset keeps the observer.
    outcomeReset(&o);
    EXPECT_EQ(o.failures, 0u);
    EXPECT_EQ(o.observerData, &seen);
    std::string deep(2000, 'x');
    outcomeRecord(&o, ActionDeleteFile, deep.c_str(), 2);
    EXPECT_EQ(std::string(o.firstPath), deep.substr(0, sizeof o.firstPath - 1));
    EXPECT_STREQ(outcomeFirstName(&o), o.firstPath) << "no backslash: the whole path";
}
