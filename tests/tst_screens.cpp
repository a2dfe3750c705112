// The welcome screen, the offer's place and the product range screen on the
// screen this run has (one run per screen size, see CMakeLists.txt).
#include "setup/frmMsgBox.h"
#include "setup/frmOption.h"
#include "forms/qt/pictures.h"
#include "forms/core/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "forms/qt/qtport.h"
#include "support/player.h"
#include "support/screens.h"

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
    void pictureFollowsASizeChangedAfterShowing();
};

void ScreensTest::init()
{
    mdlMain::setLauncherForTesting([](const std::string &, Long, std::string &) { return 33; });
}

void ScreensTest::cleanup()
{
    mdlMain::setLauncherForTesting({});
    player::verifyNothingLeft();
}

void ScreensTest::welcomeScreenFillsTheScreen()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const screens::Row *row = screens::rowFor(screen);
    QVERIFY2(row, "this screen size has no row in tests/support/screens.h");
    bool checked = false;
    setModalHook([&](Form &dialog) {
        if (!checked && dialog.name() == "frmMsgBox") {
            checked = true;
            // The background covers the screen, the cover keeps its corner.
            QCOMPARE(qtport::widgetOf(*frmAcrobat->Image1)->geometry(), QRect(QPoint(0, 0), screen));
            QCOMPARE(frmAcrobat->Image2->Left(), 360.f);
            QCOMPARE(frmAcrobat->Image2->Top(), 360.f);
            QCOMPARE(frmAcrobat->Image2->Width(), row->coverWidth);
            QCOMPARE(frmAcrobat->Image2->Height(), row->coverHeight);

            // The offer opens where the arithmetic puts it, on the screen.
            QCOMPARE(frmAcrobat->lngLeft, row->lngLeft);
            QCOMPARE(frmAcrobat->lngTop, row->lngTop);
            QCOMPARE(player::windowOf(dialog)->pos(), row->offer);

            // On screen: the cover's middle shows the cover; beside it, the background.
            const QImage shot = player::windowOf(frmAcrobat.get())->grab().toImage();
            const QRect cover = qtport::widgetOf(*frmAcrobat->Image2)->geometry();
            const QImage coverPicture = qtport::decodePicture("cover.jpg");
            const QImage background = qtport::decodePicture("welcome.jpg");
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
    QVERIFY(player::windowOf(frmOption.get())->isVisible());
    QCOMPARE(player::windowOf(frmOption.get())->geometry(), QRect(QPoint(0, 0), screen));
    QCOMPARE(qtport::widgetOf(*frmOption->Image1)->geometry(), QRect(QPoint(0, 0), screen));
    const QRect finish = qtport::widgetOf(*frmOption->Command1)->geometry();
    QCOMPARE(finish.size(), QSize(81, 25));
    QCOMPARE(finish.right() + 1, screen.width() - 30);
    QCOMPARE(finish.bottom() + 1, screen.height() - 30);
    QCOMPARE(qtport::buttonOf(*frmOption->Command1)->toolTip(), QStringLiteral("Enjoy the game!"));
    player::press(frmOption.get(), QStringLiteral("Esc"));
    QVERIFY(frmOption->isLoaded());
    player::click(frmOption.get(), QStringLiteral("Finish"));
    QVERIFY(loadedForms().empty());
}

QTEST_MAIN(ScreensTest)
// A picture whose control shrinks after it was shown (its scaling for the old
// size under way) is drawn at the new size.
void ScreensTest::pictureFollowsASizeChangedAfterShowing()
{
    frmOption->Load();
    // The scaling for the first size starts; nothing is painted yet.
    QCoreApplication::sendPostedEvents(qtport::widgetOf(*frmOption->Image1), QEvent::MetaCall);
    frmOption->Image1->setWidth(frmOption->Image1->Width() / 2);
    frmOption->Image1->setHeight(frmOption->Image1->Height() / 2);
    const QRect image = qtport::widgetOf(*frmOption->Image1)->geometry();
    const QImage shot = player::windowOf(frmOption.get())->grab().toImage();
    const QImage expected = qtport::decodePicture("range.jpg")
                                .scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    QVERIFY2(shot.copy(image).convertToFormat(QImage::Format_RGB32) == expected, "picture not scaled to its new size");
    player::click(frmOption.get(), QStringLiteral("Finish"));
}

#include "tst_screens.moc"
