#include "Platform/forms/Strings.h"

#include <gtest/gtest.h>

using namespace vrx::forms;

TEST(StringsTest, EveryLineEndSplitsAndTextEndsLinesWithCrLf) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(list.IndexOf("b"), 2);
    EXPECT_EQ(list.IndexOf("c"), -1);
}

TEST(StringsTest, ChangesInsideAnUpdateAreReportedOnce) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Add("x");
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.Add("y");
    list.Delete(0);
    EXPECT_EQ(changes, 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    list.SetText("p\nq");
    EXPECT_EQ(changes, 3);
}
