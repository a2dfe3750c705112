// The welcome screen's fit, the dialogs' shared place, the confirmation's
// centring, the Finish button's corner and the installers' paths.
#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "setup/placement.h"

#include <QTest>

#include <limits>

using namespace engine;
using namespace placement;

class ArithmeticTest : public QObject {
    Q_OBJECT
private slots:
    void fitsTheWelcomePictures_data();
    void fitsTheWelcomePictures();
    void placesTheDialogs_data();
    void placesTheDialogs();
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void overflowIsARunTimeError();
    void keepsTheResolutionInRange_data();
    void keepsTheResolutionInRange();
    void centresTheConfirmation_data();
    void centresTheConfirmation();
    void putsFinishInsideTheCorner_data();
    void putsFinishInsideTheCorner();
    void joinsInstallerPaths_data();
    void joinsInstallerPaths();
};

void ArithmeticTest::fitsTheWelcomePictures_data()
{
    QTest::addColumn<float>("screenWidth");
    QTest::addColumn<float>("screenHeight");
    QTest::addColumn<float>("widthFactor");
    QTest::addColumn<float>("heightFactor");
    QTest::addColumn<float>("coverWidth");
    QTest::addColumn<float>("coverHeight");
    QTest::newRow("800x600") << 12000.f << 9000.f << 1.4414414f << 1.2684989f << 4691.8916f << 5289.6406f;
    QTest::newRow("design size") << 8325.f << 7095.f << 1.f << 1.f << 3255.f << 4170.f;
    // 2560 x 1080 pixels: stretched much more across than down.
    QTest::newRow("21:9") << 38400.f << 16200.f << 4.6126126f << 2.2832981f << 15014.054f << 9521.3535f;
    QTest::newRow("640x480") << 9600.f << 7200.f << 1.1531532f << 1.0147992f << 3753.5137f << 4231.7124f;
}

void ArithmeticTest::fitsTheWelcomePictures()
{
    QFETCH(float, widthFactor);
    QFETCH(float, heightFactor);
    QFETCH(float, coverWidth);
    QFETCH(float, coverHeight);
    QFETCH(float, screenWidth);
    QFETCH(float, screenHeight);
    const FitFactors factor = fitFactors(screenWidth, screenHeight, 8325, 7095);
    QCOMPARE(factor.width, widthFactor);
    QCOMPARE(factor.height, heightFactor);
    QCOMPARE(scaled(3255, factor.width), coverWidth);
    QCOMPARE(scaled(4170, factor.height), coverHeight);
}

void ArithmeticTest::placesTheDialogs_data()
{
    QTest::addColumn<float>("coverWidth");
    QTest::addColumn<float>("dialogWidth");
    QTest::addColumn<float>("dialogHeight");
    QTest::addColumn<float>("screenWidth");
    QTest::addColumn<float>("screenHeight");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    // The cover stands at Left 360 in every row.
    QTest::newRow("800x600") << 4691.8916f << 5685.f << 3015.f << 12000.f << 9000.f << 5412 << 5242;
    QTest::newRow("640x480, moved in from the right") << 3753.5137f << 5685.f << 3015.f << 9600.f << 7200.f << 3765 << 3892;
    QTest::newRow("tall dialog, moved up from the bottom") << 3753.5137f << 5685.f << 3800.f << 9600.f << 7200.f << 3765 << 3250;
    QTest::newRow("right edge exactly 10 px inside") << 4691.8916f << 5685.f << 3015.f << 11247.f << 9000.f << 5412 << 5242;
    QTest::newRow("right edge one twip further") << 4691.8916f << 5685.f << 3015.f << 11246.f << 9000.f << 5411 << 5242;
    QTest::newRow("bottom edge exactly 10 px inside") << 4691.8916f << 5685.f << 4200.f << 12000.f << 9000.f << 5412 << 4650;
    QTest::newRow("bottom edge one twip further") << 4691.8916f << 5685.f << 4201.f << 12000.f << 9000.f << 5412 << 4649;
    QTest::newRow("centred top 2993.5 rounds up to even") << 4691.8916f << 5685.f << 3013.f << 12000.f << 9000.f << 5412 << 5244;
    QTest::newRow("second rounding, 5243.5 to even") << 4691.8916f << 5685.f << 3016.f << 12000.f << 9002.f << 5412 << 5244;
    QTest::newRow("second rounding, 5244.5 to even") << 4691.8916f << 5685.f << 3014.f << 12000.f << 9002.f << 5412 << 5244;
    QTest::newRow("wider than the screen: at the left edge") << 4691.8916f << 7000.f << 3015.f << 6000.f << 9000.f << 0 << 5242;
    // Rounded when centred (5242.5 to 5242), then again: 8617; one rounding would give 8618.
    QTest::newRow("13500 high: rounded twice") << 4691.8916f << 5685.f << 3015.f << 21600.f << 13500.f << 5412 << 8617;
    QTest::newRow("taller than the screen: at the top edge") << 4691.8916f << 5685.f << 4000.f << 12000.f << 3000.f << 5412 << 0;
}

void ArithmeticTest::placesTheDialogs()
{
    QFETCH(float, coverWidth);
    QFETCH(float, dialogWidth);
    QFETCH(float, dialogHeight);
    QFETCH(float, screenWidth);
    QFETCH(float, screenHeight);
    QFETCH(int, left);
    QFETCH(int, top);
    const DialogPosition position = dialogPosition({
        .coverLeft = 360,
        .coverWidth = coverWidth,
        .dialogWidth = dialogWidth,
        .dialogHeight = dialogHeight,
        .screenWidth = screenWidth,
        .screenHeight = screenHeight,
        .twipsPerPixelX = 15,
        .twipsPerPixelY = 15,
    });
    QCOMPARE(position.left, left);
    QCOMPARE(position.top, top);
}

void ArithmeticTest::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("2992.5") << 2992.5 << 2992;
    QTest::newRow("2993.5") << 2993.5 << 2994;
    QTest::newRow("5411.8916") << 5411.8916 << 5412;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.4999") << 2.4999 << 2;
    QTest::newRow("largest Long") << 2147483647.0 << 2147483647;
    // The largest double below a half: adding 0.5 to it rounds up to 1.
    QTest::newRow("0.49999999999999994") << 0.49999999999999994 << 0;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-3.5") << -3.5 << -4;
    QTest::newRow("smallest Long, half below") << -2147483648.5 << int(-2147483647 - 1);
}

void ArithmeticTest::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(CLng(value), expected);
}

void ArithmeticTest::overflowIsARunTimeError()
{
    for (double value : {2147483647.5, -2147483649.0, 1e300}) {
        try {
            CLng(value);
            QFAIL(qPrintable(QStringLiteral("no error for %1").arg(value)));
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), err::Overflow);
        }
    }
}

void ArithmeticTest::keepsTheResolutionInRange_data()
{
    QTest::addColumn<double>("dotsPerInch");
    QTest::addColumn<float>("twipsPerPixel");
    QTest::newRow("0") << 0.0 << 15.f;
    QTest::newRow("-7") << -7.0 << 15.f;
    QTest::newRow("23") << 23.0 << 15.f;
    QTest::newRow("24") << 24.0 << 60.f;
    QTest::newRow("96") << 96.0 << 15.f;
    QTest::newRow("1536") << 1536.0 << 0.9375f;
    QTest::newRow("1537") << 1537.0 << 15.f;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 15.f;
    QTest::newRow("2147483647") << 2147483647.0 << 15.f;
}

// A resolution no screen has counts as 96 dots per inch: every conversion
// between twips and pixels stays in range.
void ArithmeticTest::keepsTheResolutionInRange()
{
    QFETCH(double, dotsPerInch);
    QFETCH(float, twipsPerPixel);
    QCOMPARE(twipsPerPixelAt(dotsPerInch), twipsPerPixel);
    QCOMPARE(pixelsFor(9000.0, twipsPerPixelAt(dotsPerInch)), int(9000 / twipsPerPixel));
}

void ArithmeticTest::centresTheConfirmation_data()
{
    QTest::addColumn<int>("origin");
    QTest::addColumn<float>("outer");
    QTest::addColumn<float>("inner");
    QTest::addColumn<float>("expected");
    QTest::newRow("left, fraction kept") << 1000 << 5685.f << 4290.f << 1697.5f;
    QTest::newRow("top") << 5242 << 3015.f << 2325.f << 5587.f;
    QTest::newRow("inner larger than outer") << 0 << 4290.f << 5685.f << -697.5f;
}

void ArithmeticTest::centresTheConfirmation()
{
    QFETCH(int, origin);
    QFETCH(float, outer);
    QFETCH(float, inner);
    QFETCH(float, expected);
    QCOMPARE(centredOver(origin, outer, inner), expected);
}

void ArithmeticTest::putsFinishInsideTheCorner_data()
{
    QTest::addColumn<float>("screen");
    QTest::addColumn<float>("size");
    QTest::addColumn<float>("twipsPerPixel");
    QTest::addColumn<float>("expected");
    QTest::newRow("top at 600 px") << 9000.f << 375.f << 15.f << 8175.f;
    QTest::newRow("left at 800 px") << 12000.f << 1215.f << 15.f << 10335.f;
    QTest::newRow("120 dpi, fractions kept") << 9001.5f << 375.f << 12.f << 8266.5f;
}

void ArithmeticTest::putsFinishInsideTheCorner()
{
    QFETCH(float, screen);
    QFETCH(float, size);
    QFETCH(float, twipsPerPixel);
    QFETCH(float, expected);
    QCOMPARE(insideEdge(screen, size, 30, twipsPerPixel),
             expected);
}

void ArithmeticTest::joinsInstallerPaths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    // A backslash is an ordinary character of a file name here.
    QTest::newRow("folder ending in a backslash") << "/media/odd\\" << "/media/odd\\/Acrobat\\Setup.exe";
    QTest::newRow("mount point") << "/media/cdrom" << "/media/cdrom/Acrobat\\Setup.exe";
    QTest::newRow("file system root") << "/" << "/Acrobat\\Setup.exe";
    QTest::newRow("blanks in the folder") << "/tmp/my disc" << "/tmp/my disc/Acrobat\\Setup.exe";
}

void ArithmeticTest::joinsInstallerPaths()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(installerPath(folder.toStdString(), "Acrobat\\Setup.exe")), expected);
}

QTEST_APPLESS_MAIN(ArithmeticTest)
#include "tst_arithmetic.moc"
