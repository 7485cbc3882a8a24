#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/ReportRun.h"

namespace quillon {
namespace {

std::string Contents(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        text.push_back(char(c));
    }
    return text;
}

// Each update redraws the one line in place; hiding blanks it and returns to the line start.
TEST(ProgressLine, RedrawsInPlaceAndClears) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    TerminalProgressFactory factory(f, 0);
    auto sink = factory.Open("Quillon");
    sink->SetRange(10, "Reading a\nb", true);
    sink->SetPos(4);
    sink->Hide();
    const std::string last = "Quillon: Reading a b 4/10";
    EXPECT_EQ(Contents(f),
              "\rQuillon: Reading a b 0/10\r" + last + "\r" + std::string(last.size(), ' ') + "\r");
    sink.reset();  // its destructor still writes to the stream
    std::fclose(f);
}

// Updates closer together than the interval are not drawn: a fast scan stays fast.
TEST(ProgressLine, ThrottlesRedraws) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    TerminalProgressFactory factory(f, 60000);
    auto sink = factory.Open("Q");
    for (int i = 0; i < 1000; ++i) {
        EXPECT_FALSE(sink->Update("x", uint64_t(i)));
    }
    EXPECT_EQ(Contents(f), "\rQ: x");
    sink.reset();  // its destructor still writes to the stream
    std::fclose(f);
}

// A long text is cut so that the line never wraps (a wrapped line cannot be redrawn with "\r").
TEST(ProgressLine, LongTextStaysOnOneLine) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    TerminalProgressFactory factory(f, 0);
    auto sink = factory.Open("Q");
    sink->SetText(std::string(300, 'n'));
    std::string text = Contents(f);
    EXPECT_LE(text.size(), 80u);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    sink.reset();  // its destructor still writes to the stream
    std::fclose(f);
}

}  // namespace
}  // namespace quillon
