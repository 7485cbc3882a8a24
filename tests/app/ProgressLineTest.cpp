#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/ReportRun.h"

namespace quillon {
namespace {

// What a terminal progress line with `intervalMs` between redraws writes while `act` runs.
std::string Written(int intervalMs, const std::function<void(ProgressSink&)>& act) {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    TerminalProgressFactory factory(f, intervalMs);
    auto sink = factory.Open("Q");
    act(*sink);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        text.push_back(char(c));
    }
    sink.reset();  // its destructor still writes to the stream
    std::fclose(f);
    return text;
}

// Each update redraws the one line in place; hiding blanks it and returns to the line start.
// Updates closer together than the interval are not drawn: a fast scan stays fast. A long text is
// cut so that the line never wraps (a wrapped line cannot be redrawn with "\r").
TEST(ProgressLine, RedrawsInPlaceThrottlesAndNeverWraps) {
    const std::string last = "Q: Reading a b 4/10";
    EXPECT_EQ(Written(0,
                      [](ProgressSink& sink) {
                          sink.SetRange(10, "Reading a\nb", true);
                          sink.SetPos(4);
                          sink.Hide();
                      }),
              "\rQ: Reading a b 0/10\r" + last + "\r" + std::string(last.size(), ' ') + "\r");
    EXPECT_EQ(Written(60000,
                      [](ProgressSink& sink) {
                          for (int i = 0; i < 1000; ++i) {
                              EXPECT_FALSE(sink.Update("x", uint64_t(i)));
                          }
                      }),
              "\rQ: x");
    const std::string cut =
        Written(0, [](ProgressSink& sink) { sink.SetText(std::string(300, 'n')); });
    EXPECT_LE(cut.size(), 80u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
}

}  // namespace
}  // namespace quillon
