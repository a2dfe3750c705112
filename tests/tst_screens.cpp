// The welcome screen, the offer's place and the product range screen on the
// screen this run has (one run per screen size, see CMakeLists.txt).
#include "dialogs/frmMsgBox.h"
#include "dialogs/frmOption.h"
#include "forms/engine/picture.h"
#include "forms/engine/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "setup/placement.h"
#include "support/player.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace engine;

namespace {

// Colours alike within a JPEG's and a scaler's error.
bool alike(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) < 60;
}

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void welcomeScreenFillsTheScreen();
    void productRangeScreenKeepsFinishInTheCorner();
};

void ScreensTest::init()
{
    mdlMain::setLauncherForTesting([](const QString &, Long, QString &) { return 33; });
}

void ScreensTest::cleanup()
{
    mdlMain::setLauncherForTesting({});
    player::verifyNothingLeft();
}

void ScreensTest::welcomeScreenFillsTheScreen()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    bool checked = false;
    setModalHook([&](Form &dialog) {
        if (!checked && dialog.name() == QLatin1String("frmMsgBox")) {
            checked = true;
            // The background covers the screen, the cover keeps its corner.
            QCOMPARE(frmAcrobat->Image1->widget()->geometry(), QRect(QPoint(0, 0), screen));
            QCOMPARE(frmAcrobat->Image2->Left(), 360.f);
            QCOMPARE(frmAcrobat->Image2->Top(), 360.f);
            const placement::FitFactors factor = placement::fitFactors(Screen.Width(), Screen.Height(), 8325, 7095);
            QCOMPARE(frmAcrobat->Image2->Width(), placement::scaled(3255, factor.width));
            QCOMPARE(frmAcrobat->Image2->Height(), placement::scaled(4170, factor.height));
            if (screen == QSize(555, 473)) // the design size: nothing changes
                QCOMPARE(frmAcrobat->Image2->Width(), 3255.f);

            // The offer opens where the arithmetic puts it, on the screen.
            const placement::DialogPosition expected = placement::dialogPosition({
                360, frmAcrobat->Image2->Width(), 5685, 3015, Screen.Width(), Screen.Height(), 15, 15});
            QCOMPARE(frmAcrobat->lngLeft, expected.left);
            QCOMPARE(frmAcrobat->lngTop, expected.top);
            QCOMPARE(dialog.window()->pos(), QPoint(toPixelsX(expected.left), toPixelsY(expected.top)));

            // On screen: the cover's middle shows the cover; beside it, the background.
            const QImage shot = frmAcrobat->window()->grab().toImage();
            const QRect cover = frmAcrobat->Image2->widget()->geometry();
            const QImage &coverPicture = decodePicture(QStringLiteral(":/pictures/cover.jpg"));
            const QImage &background = decodePicture(QStringLiteral(":/pictures/welcome.jpg"));
            for (const QPointF at : {QPointF(0.5, 0.2), QPointF(0.3, 0.6), QPointF(0.7, 0.9)}) {
                const QPoint onScreen(cover.left() + int(at.x() * cover.width()), cover.top() + int(at.y() * cover.height()));
                const QPoint inPicture(int(at.x() * coverPicture.width()), int(at.y() * coverPicture.height()));
                QVERIFY2(alike(shot.pixel(onScreen), coverPicture.pixel(inPicture)), "cover not where it belongs");
            }
            const QPoint beside(cover.right() + 4, cover.bottom() + 4);
            const QPoint inBackground(beside.x() * background.width() / screen.width(),
                                      beside.y() * background.height() / screen.height());
            QVERIFY2(alike(shot.pixel(beside), background.pixel(inBackground)), "background not stretched to the screen");
        }
        player::press(dialog, QStringLiteral("Enter"));
    });
    frmAcrobat->Load();
    QVERIFY(checked);
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

void ScreensTest::productRangeScreenKeepsFinishInTheCorner()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    frmOption->Load();
    QVERIFY(frmOption->window()->isVisible());
    QCOMPARE(frmOption->window()->geometry(), QRect(QPoint(0, 0), screen));
    QCOMPARE(frmOption->Image1->widget()->geometry(), QRect(QPoint(0, 0), screen));
    const QRect finish = frmOption->Command1->widget()->geometry();
    QCOMPARE(finish.size(), QSize(81, 25));
    QCOMPARE(finish.right() + 1, screen.width() - 30);
    QCOMPARE(finish.bottom() + 1, screen.height() - 30);
    QCOMPARE(frmOption->Command1->button()->toolTip(), QStringLiteral("Enjoy the game!"));
    player::press(frmOption.get(), QStringLiteral("Esc"));
    QVERIFY(frmOption->isLoaded());
    player::click(frmOption.get(), QStringLiteral("Finish"));
    QVERIFY(loadedForms().empty());
}

QTEST_MAIN(ScreensTest)
#include "tst_screens.moc"
