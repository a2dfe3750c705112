// The welcome screen's fit, the dialogs' shared place, the confirmation's
// centring, the Finish button's corner and the installers' paths, in single
// and double precision as the launcher computes them. CLng's rounding and the
// twips a pixel are the core's (tests/core/test_values.cpp).
#include "setup/placement.h"

#include <doctest/doctest.h>

using namespace placement;

TEST_CASE("the welcome pictures fit the screen")
{
    struct Row {
        float screenWidth, screenHeight, widthFactor, heightFactor, coverWidth, coverHeight;
    };
    const Row rows[] = {
        {12000, 9000, 1.4414414f, 1.2684989f, 4691.8916f, 5289.6406f}, // 800 x 600
        {8325, 7095, 1, 1, 3255, 4170},                                // the design size
        {38400, 16200, 4.6126126f, 2.2832981f, 15014.055f, 9521.3525f}, // 2560 x 1080
        {9600, 7200, 1.1531532f, 1.0147991f, 3753.5137f, 4231.7124f},  // 640 x 480
    };
    for (const Row &row : rows) {
        CAPTURE(row.screenWidth);
        const FitFactors factor = fitFactors(row.screenWidth, row.screenHeight, 8325, 7095);
        CHECK(factor.width == row.widthFactor);
        CHECK(factor.height == row.heightFactor);
        CHECK(scaled(3255, factor.width) == row.coverWidth);
        CHECK(scaled(4170, factor.height) == row.coverHeight);
    }
}

TEST_CASE("the dialogs' shared place")
{
    struct Row {
        std::string name;
        float coverWidth, dialogWidth, dialogHeight, screenWidth, screenHeight, twipsPerPixel;
        Long left, top;
    };
    // The cover stands at Left 360 in every row.
    const Row rows[] = {
        {"800x600", 4691.8916f, 5685, 3015, 12000, 9000, 15, 5412, 5242},
        {"640x480, moved in from the right", 3753.5137f, 5685, 3015, 9600, 7200, 15, 3765, 3892},
        {"tall dialog, moved up from the bottom", 3753.5137f, 5685, 3800, 9600, 7200, 15, 3765, 3250},
        {"right edge exactly 10 px inside", 4691.8916f, 5685, 3015, 11247, 9000, 15, 5412, 5242},
        {"right edge one twip further", 4691.8916f, 5685, 3015, 11246, 9000, 15, 5411, 5242},
        {"bottom edge exactly 10 px inside", 4691.8916f, 5685, 4200, 12000, 9000, 15, 5412, 4650},
        {"bottom edge one twip further", 4691.8916f, 5685, 4201, 12000, 9000, 15, 5412, 4649},
        {"10 px at 12 twips a pixel", 3753.5137f, 5661, 2928, 9600, 7200, 12, 3819, 3936},
        {"centred top 2993.5 rounds up to even", 4691.8916f, 5685, 3013, 12000, 9000, 15, 5412, 5244},
        {"second rounding, 5243.5 to even", 4691.8916f, 5685, 3016, 12000, 9002, 15, 5412, 5244},
        {"second rounding, 5244.5 to even", 4691.8916f, 5685, 3014, 12000, 9002, 15, 5412, 5244},
        {"wider than the screen: at the left edge", 4691.8916f, 7000, 3015, 6000, 9000, 15, 0, 5242},
        // Rounded when centred (5242.5 to 5242), then again: 8617; one rounding would give 8618.
        {"13500 high: rounded twice", 4691.8916f, 5685, 3015, 21600, 13500, 15, 5412, 8617},
        {"taller than the screen: at the top edge", 4691.8916f, 5685, 4000, 12000, 3000, 15, 5412, 0},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        const DialogPosition position = dialogPosition({
            .coverLeft = 360,
            .coverWidth = row.coverWidth,
            .dialogWidth = row.dialogWidth,
            .dialogHeight = row.dialogHeight,
            .screenWidth = row.screenWidth,
            .screenHeight = row.screenHeight,
            .twipsPerPixelX = row.twipsPerPixel,
            .twipsPerPixelY = row.twipsPerPixel,
        });
        CHECK(position.left == row.left);
        CHECK(position.top == row.top);
    }
}

TEST_CASE("the confirmation centres over the offer, Finish stands inside the corner")
{
    CHECK(centredOver(1000, 5685, 4290) == 1697.5f); // the fraction kept
    CHECK(centredOver(5242, 3015, 2325) == 5587.f);
    CHECK(centredOver(0, 4290, 5685) == -697.5f);    // inner larger than outer
    CHECK(insideEdge(9000, 375, 30, 15) == 8175.f);
    CHECK(insideEdge(12000, 1215, 30, 15) == 10335.f);
    CHECK(insideEdge(9001.5f, 375, 30, 12) == 8266.5f); // 120 dpi, fractions kept
}

TEST_CASE("an installer's path is the folder, one separator, the file")
{
    struct Row {
        const char *folder, *path;
    };
    // A backslash is an ordinary character of a file name here.
    const Row rows[] = {
        {"/media/odd\\", "/media/odd\\/Acrobat\\Setup.exe"},
        {"/media/cdrom", "/media/cdrom/Acrobat\\Setup.exe"},
        {"/", "/Acrobat\\Setup.exe"},
        {"/tmp/my disc", "/tmp/my disc/Acrobat\\Setup.exe"},
    };
    for (const Row &row : rows)
        CHECK(installerPath(row.folder, "Acrobat\\Setup.exe") == row.path);
}
