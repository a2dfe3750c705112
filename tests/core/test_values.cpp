// Values: CLng's rounding, twips per pixel, the Screen and App objects, and how
// a label breaks its caption into lines.
#include "fakeport.h"

#include "forms/core/errors.h"
#include "forms/core/labellayout.h"
#include "forms/core/screen.h"
#include "forms/core/values.h"

#include <doctest/doctest.h>

#include <limits>

using namespace engine;

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

TEST_CASE("CLng rounds to the nearest, halves to even, and overflows past 32 bits")
{
    struct Row {
        double value;
        Long expected; // when no error
        int error;     // 0: none
    };
    const Row rows[] = {
        {0.49999999999999994, 0, 0},
        {2.5, 2, 0},
        {-2.5, -2, 0},
        {3.5, 4, 0},
        {-3.5, -4, 0},
        {2992.5, 2992, 0},
        {2993.5, 2994, 0},
        {2147483647.4, 2147483647, 0},
        {2147483647.5, 0, 6},
        {-2147483648.5, -2147483647 - 1, 0},
        {-2147483649.0, 0, 6},
        {NaN, 0, 6},
        {std::numeric_limits<double>::infinity(), 0, 6},
    };
    for (const Row &row : rows) {
        CAPTURE(row.value);
        int error = 0;
        Long result = 0;
        try {
            result = CLng(row.value);
        } catch (const RuntimeError &e) {
            error = e.number();
            CHECK(e.message() == "Run-time error '6': Overflow");
        }
        CHECK(error == row.error);
        if (!row.error)
            CHECK(result == row.expected);
    }
}

TEST_CASE("twips per pixel at a resolution")
{
    struct Row {
        double dpi;
        float twips;
    };
    const Row rows[] = {{0, 15},    {-7, 15},          {23, 15},   {24, 60},  {96, 15},
                        {120, 12},  {144, 10},         {1536, 0.9375f}, {1537, 15}, {NaN, 15},
                        {2147483647, 15}};
    for (const Row &row : rows) {
        CAPTURE(row.dpi);
        CHECK(twipsPerPixelAt(row.dpi) == row.twips);
    }
}

TEST_CASE("Screen's size in twips comes from the port's metrics")
{
    struct Row {
        ScreenMetrics metrics;
        float width, height, perPixelX, perPixelY;
    };
    const Row rows[] = {
        {{800, 600, 96, 96}, 12000, 9000, 15, 15},
        {{1024, 768, 120, 120}, 12288, 9216, 12, 12},
        {{1920, 1080, 144, 96}, 19200, 16200, 10, 15},
        {{640, 480, 10, 2000}, 9600, 7200, 15, 15},
    };
    for (const Row &row : rows) {
        CAPTURE(row.metrics.width);
        fake::FakePort port;
        port.metrics = row.metrics;
        CHECK(Screen.Width() == row.width);
        CHECK(Screen.Height() == row.height);
        CHECK(Screen.TwipsPerPixelX() == row.perPixelX);
        CHECK(Screen.TwipsPerPixelY() == row.perPixelY);
    }
}

TEST_CASE("App.Path is the port's program folder unless a test sets one")
{
    fake::FakePort port;
    port.folder = "/media/cd rom/\xe9t\xe9";
    CHECK(App.Path() == "/media/cd rom/\xe9t\xe9");
    App.setPathForTesting("D:\\");
    CHECK(App.Path() == "D:\\");
    App.setPathForTesting("");
    CHECK(App.Path() == "/media/cd rom/\xe9t\xe9");
}

TEST_CASE("a label breaks its caption at blanks within its width")
{
    // Every byte is 10 pixels wide.
    const TextWidth width = [](const std::string &text) { return 10.0 * double(text.size()); };
    struct Row {
        const char *name;
        const char *caption;
        double labelWidth;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"fits exactly", "abcde", 50, {"abcde"}},
        {"one blank fits", "ab cd", 50, {"ab cd"}},
        {"a second blank pushes the word down", "ab  cd", 50, {"ab  ", "cd"}},
        {"a blank run ends the line at the edge, the rest dropped", "ab     cd", 40, {"ab  ", "cd"}},
        {"a run of blanks at the start", "     ab", 20, {"  ", "ab"}},
        {"the next word does not fit", "abc de", 50, {"abc ", "de"}},
        {"a word wider than the label stands alone", "a abcdefgh b", 50, {"a ", "abcdefgh", "b"}},
        {"a wide word first", "abcdefgh ij", 50, {"abcdefgh", "ij"}},
        {"CR LF, CR and LF each end a line", "ab\r\ncd\ref\ngh", 100, {"ab", "cd", "ef", "gh"}},
        {"an empty line between", "ab\n\ncd", 100, {"ab", "", "cd"}},
        {"padding puts the question on a later line", "Sure?     Really?", 80, {"Sure?   ", "Really?"}},
        {"trailing blanks stay", "ab ", 100, {"ab "}},
        {"nothing", "", 100, {}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        CHECK(layoutLabelLines(row.caption, width, row.labelWidth) == row.lines);
    }
}
