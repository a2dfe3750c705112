// The whole setup on screens, scale factors and font sets the launcher was not
// drawn for. The same checks run in every environment CMakeLists.txt lists: one
// screen size, QT_SCALE_FACTOR or FONTCONFIG_FILE per run.
//
// In every dialog: it opens where the setup's arithmetic puts it, never off the
// left or top edge and on screen when it fits; its controls stay inside it; its
// labels show text; its pictures are drawn from the picture itself at the
// device's resolution, not blown up from a smaller copy. At the end, "Finish"
// stands 30 pixels inside the bottom-right corner and a click there ends the run.
#include "setup/frmMsgBox.h"
#include "setup/frmOption.h"
#include "forms/qt/pictures.h"
#include "forms/core/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "forms/qt/fonts.h"
#include "forms/qt/qtport.h"
#include "support/player.h"
#include "support/screens.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace engine;

namespace {

// The outer rectangle of a form (frame and title included), in pixels.
QRect outerRect(Form &form)
{
    const int x = toPixelsX(form.Left()), y = toPixelsY(form.Top());
    return QRect(x, y, toPixelsX(double(form.Left()) + form.Width()) - x,
                 toPixelsY(double(form.Top()) + form.Height()) - y);
}

// Mean difference per channel of two images of the same size.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += qAbs(qRed(p[col]) - qRed(q[col])) + qAbs(qGreen(p[col]) - qGreen(q[col]))
                 + qAbs(qBlue(p[col]) - qBlue(q[col]));
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

// Pixels in the labels' orange (text anti-aliased over dark blue stays orange-ish).
int orangePixels(const QImage &image)
{
    int count = 0;
    for (int row = 0; row < image.height(); ++row) {
        for (int col = 0; col < image.width(); ++col) {
            const QRgb c = image.pixel(col, row);
            if (qRed(c) > 140 && qGreen(c) > 40 && qGreen(c) < 200 && qBlue(c) < 110 && qRed(c) > qGreen(c) + 50)
                ++count;
        }
    }
    return count;
}

} // namespace

class EnvironmentsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wholeRunFitsTheEnvironment();

private:
    void checkDialog(Form &dialog);
    void checkPicture(Image *image, const std::string &resource);
    QRect m_offer;  // where the offer opened, outer, pixels
    int m_dialogs = 0;
};

void EnvironmentsTest::initTestCase()
{
    // The run must really have the scale it was started with.
    const double wanted = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1;
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), wanted > 0 ? wanted : 1);
    qInfo("screen %dx%d logical pixels, device pixel ratio %g",
          QGuiApplication::primaryScreen()->size().width(), QGuiApplication::primaryScreen()->size().height(),
          QGuiApplication::primaryScreen()->devicePixelRatio());
    const QFont label = qtport::fontFor(player::definitionNamed("frmNewBox").controls.back().font);
    qInfo("%d font families; the labels' face resolves to \"%s\"", int(QFontDatabase::families().size()),
          qPrintable(QFontInfo(label).family()));
}

void EnvironmentsTest::init()
{
    m_offer = {};
    m_dialogs = 0;
    mdlMain::setLauncherForTesting([](const std::string &, Long, std::string &) { return 33; });
}

void EnvironmentsTest::cleanup()
{
    setModalHook({});
    mdlMain::setLauncherForTesting({});
    player::verifyNothingLeft();
}

void EnvironmentsTest::checkPicture(Image *image, const std::string &resource)
{
    QWidget *widget = qtport::widgetOf(*image);
    const QImage shot = widget->grab().toImage();
    const qreal ratio = widget->devicePixelRatioF();
    QVERIFY2(qAbs(shot.width() - widget->width() * ratio) <= 1 && qAbs(shot.height() - widget->height() * ratio) <= 1,
             qPrintable(QStringLiteral("%1 drawn at %2x%3 for %4x%5 at ratio %6")
                            .arg(qtport::qs(image->name())).arg(shot.width()).arg(shot.height())
                            .arg(widget->width()).arg(widget->height()).arg(ratio)));
    // Sharp: the picture scaled straight to the device pixels, not a copy at
    // the widget's logical size blown up.
    const QImage picture = qtport::decodePicture(resource);
    const QImage sharp = picture.scaled(shot.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double difference = meanDifference(shot, sharp);
    QVERIFY2(difference < 1.0, qPrintable(QStringLiteral("%1 differs from the picture by %2 per channel")
                                              .arg(qtport::qs(image->name())).arg(difference)));
}

void EnvironmentsTest::checkDialog(Form &dialog)
{
    ++m_dialogs;
    const QRect screen(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
    const QRect outer = outerRect(dialog);
    const QString what = QStringLiteral("%1 #%2 at %3,%4 %5x%6 on %7x%8")
                             .arg(qtport::qs(dialog.name())).arg(m_dialogs).arg(outer.x()).arg(outer.y())
                             .arg(outer.width()).arg(outer.height()).arg(screen.width()).arg(screen.height());

    // The window stands where the form's properties say, frame included.
    QWidget *window = player::windowOf(dialog);
    QCOMPARE(window->pos(), outer.topLeft());
    QVERIFY2(window->width() <= outer.width() && window->height() <= outer.height(), qPrintable(what));
    QVERIFY2(outer.left() >= 0 && outer.top() >= 0, qPrintable(QStringLiteral("off the left or top edge: ") + what));

    const bool fitsAcross = outer.width() + 10 <= screen.width();
    const bool fitsDown = outer.height() + 10 <= screen.height();
    if (dialog.name() == "frmMsgBox") {
        const screens::Row *row = screens::rowFor(screen.size());
        QVERIFY2(row, "this screen size has no row in tests/support/screens.h");
        QCOMPARE(dialog.Left(), Single(row->lngLeft));
        QCOMPARE(dialog.Top(), Single(row->lngTop));
        QCOMPARE(outer.topLeft(), row->offer);
        // At least 10 pixels inside the right and bottom edges when it fits; at
        // the left or top edge when it does not.
        if (fitsAcross)
            QVERIFY2(outer.right() + 1 <= screen.width() - 10, qPrintable(what));
        else
            QCOMPARE(outer.left(), 0);
        if (fitsDown)
            QVERIFY2(outer.bottom() + 1 <= screen.height() - 10, qPrintable(what));
        else
            QCOMPARE(outer.top(), 0);
        if (m_offer.isNull())
            m_offer = outer;
    } else if (dialog.name() == "frmYesNo" && dialog.control("Command1")->Visible()) {
        // The confirmation lies over the offer, so it is on screen whenever the offer is.
        QVERIFY2(m_offer.contains(outer), qPrintable(what));
    } else {
        // The notes and the game question open where the offer did.
        QCOMPARE(outer.topLeft(), m_offer.topLeft());
    }
    if (screen.contains(m_offer))
        QVERIFY2(screen.contains(outer), qPrintable(QStringLiteral("partly off screen: ") + what));

    // What the player sees, at the device's resolution (drawn first: faces are
    // settled when text is first drawn).
    const QImage shot = window->grab().toImage();

    // Controls inside the window, buttons apart.
    std::vector<QRect> buttons;
    for (const ControlDef &def : dialog.definition().controls) {
        Control *control = dialog.control(def.name);
        if (!control->Visible())
            continue;
        const QString name = qtport::qs(def.name);
        const QRect area = qtport::widgetOf(*control)->geometry();
        QVERIFY2(window->rect().contains(area),
                 qPrintable(QStringLiteral("%1 outside %2").arg(name, what)));
        if (def.kind == ControlKind::CommandButton) {
            const QString caption = qtport::qs(withoutAccessMarks(static_cast<CommandButton *>(control)->Caption()));
            const QFontMetricsF metrics(qtport::widgetOf(*control)->font());
            for (const QChar c : caption)
                QVERIFY2(metrics.inFont(c), qPrintable(QStringLiteral("button %1 has no letter '%2' on %3").arg(caption, c, what)));
            for (const QRect &other : buttons)
                QVERIFY2(!other.intersects(area), qPrintable(QStringLiteral("%1 overlaps a button on %2").arg(name, what)));
            buttons.push_back(area);
        }
    }

    // Text in every label.
    const qreal ratio = window->devicePixelRatioF();
    QVERIFY2(qAbs(shot.width() - window->width() * ratio) <= 1, qPrintable(what));
    for (const ControlDef &def : dialog.definition().controls) {
        if (def.kind != ControlKind::Label)
            continue;
        QWidget *label = qtport::widgetOf(*dialog.control(def.name));
        const QString name = qtport::qs(def.name);
        // Letters, not the boxes drawn for characters no face has.
        const QString caption = qtport::qs(static_cast<Label *>(dialog.control(def.name))->Caption());
        const QFontMetricsF metrics(label->font());
        for (const QChar c : caption)
            QVERIFY2(c.isSpace() || metrics.inFont(c),
                     qPrintable(QStringLiteral("%1 has no letter '%2' in \"%3\" on %4")
                                    .arg(name, c, QFontInfo(label->font()).family(), what)));
        const QRect area = label->geometry();
        const QRect device(qRound(area.x() * ratio), qRound(area.y() * ratio), qRound(area.width() * ratio),
                           qRound(area.height() * ratio));
        const int ink = orangePixels(shot.copy(device));
        QVERIFY2(ink >= 40 * ratio * ratio,
                 qPrintable(QStringLiteral("%1 shows almost nothing (%2 pixels of text) on %3").arg(name).arg(ink).arg(what)));
    }
    if (dialog.name() == "frmMsgBox")
        checkPicture(static_cast<Image *>(dialog.control("Image1")), "reader.bmp");
}

void EnvironmentsTest::wholeRunFitsTheEnvironment()
{
    // Decline, refuse to confirm, accept; then the notes and the game question.
    QStringList actions{"Esc Enter", "Enter", "Enter", "Enter", "Enter"};
    setModalHook([&](Form &dialog) {
        if (m_dialogs == 0)
            checkPicture(frmAcrobat->Image2.operator->(), "cover.jpg");
        checkDialog(dialog);
        const QString keys = actions.isEmpty() ? QString() : actions.takeFirst();
        for (const QString &key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (dialog.isLoaded())
                player::press(dialog, key);
        }
        if (dialog.isLoaded()) {
            QTest::qFail("a dialog stayed open", __FILE__, __LINE__);
            dialog.Unload();
        }
    });
    frmAcrobat->Load();
    QCOMPARE(m_dialogs, 5);
    QVERIFY(actions.isEmpty());

    // The product range screen: the screen, and Finish 30 pixels inside its corner.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QCOMPARE(loadedForms().size(), size_t(1));
    QWidget *range = player::windowOf(frmOption.get());
    QVERIFY(range->isVisible());
    QCOMPARE(range->geometry(), QRect(QPoint(0, 0), screen));
    const QRect finish = qtport::widgetOf(*frmOption->Command1)->geometry();
    QCOMPARE(finish.right() + 1, screen.width() - 30);
    QCOMPARE(finish.bottom() + 1, screen.height() - 30);
    QVERIFY(QRect(QPoint(0, 0), screen).contains(finish));
    // A click where it stands ends the run.
    QTest::mouseClick(range->windowHandle(), Qt::LeftButton, Qt::NoModifier, finish.center());
    QVERIFY(loadedForms().empty());
}

QTEST_MAIN(EnvironmentsTest)
#include "tst_environments.moc"
