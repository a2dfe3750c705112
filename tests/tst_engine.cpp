// The forms engine: default instances, loading and unloading, modal shows,
// focus and keys, close requests, labels, pictures and run-time errors.
#include "dialogs/frmMsgBox.h"
#include "dialogs/frmNewBox.h"
#include "dialogs/frmOption.h"
#include "dialogs/frmYesNo.h"
#include "forms/definitions/definitions.h"
#include "forms/engine/errors.h"
#include "forms/engine/labellayout.h"
#include "forms/engine/picture.h"
#include "forms/engine/screen.h"
#include "setup/frmAcrobat.h"
#include "support/player.h"

#include <QFontMetricsF>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

using namespace engine;

namespace {

// A small form of the tests' own: one button whose handler unloads the form
// and then goes on, and a label.
FormDef testDefinition(bool controlBox)
{
    return FormDef{
        .name = QStringLiteral("frmTest"),
        .caption = QStringLiteral("Test"),
        .controlBox = controlBox,
        .clientLeft = 1500, .clientTop = 1500, .clientWidth = 3000, .clientHeight = 1500,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = QStringLiteral("Command1"),
             .left = 120, .top = 120, .width = 1215, .height = 375,
             .caption = QStringLiteral("&Go"), .tabIndex = 0, .isDefault = true},
            {.kind = ControlKind::Label, .name = QStringLiteral("Label1"),
             .left = 120, .top = 600, .width = 2000, .height = 375, .caption = QStringLiteral("Label")},
        },
    };
}

class TestForm : public Form {
public:
    explicit TestForm(const FormDef &def) : Form(def)
    {
        onClick(Command1, [this] {
            Unload();
            handlerFinished = true;
        });
    }
    ControlRef<CommandButton> Command1{this, QStringLiteral("Command1")};
    bool handlerFinished = false;
};

class FormWithMissingControl : public Form {
public:
    explicit FormWithMissingControl(const FormDef &def) : Form(def) {}
    ControlRef<Label> lblMissing{this, QStringLiteral("lblMissing")};
};

} // namespace

class EngineTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void defaultInstanceIsMadeOnceAndLoadsHidden();
    void reloadStartsFromTheDefinition();
    void formSizesAreOuterSizes();
    void fractionalTwipsAreKept();
    void modalShowReturnsAfterUnloadAndHandler();
    void modalShowsNest();
    void programEndsWhenTheLastFormUnloads();
    void keysPressTheRightButton_data();
    void keysPressTheRightButton();
    void heldKeysDoNotRepeat();
    void focusStartsOnTheFirstUsableButton_data();
    void focusStartsOnTheFirstUsableButton();
    void closeRequests_data();
    void closeRequests();
    void confirmationPutsItsQuestionOnALaterLine();
    void labelCutsOffAtItsBottom();
    void everyFormLoadsWithItsControls_data();
    void everyFormLoadsWithItsControls();
    void missingControlIsALoudError();
    void damagedPictureIsARunTimeError();
    void decodedPicturesStayWhileMoreAreDecoded();
};

void EngineTest::cleanup()
{
    player::verifyNothingLeft();
}

void EngineTest::defaultInstanceIsMadeOnceAndLoadsHidden()
{
    QVERIFY(!frmYesNo.exists());
    FrmYesNo *first = &frmYesNo.get();
    QVERIFY(!first->isLoaded());
    QCOMPARE(frmYesNo->Width(), 4290.f); // a property read loads it
    QVERIFY(first->isLoaded());
    QCOMPARE(frmYesNo->Visible(), False);
    QCOMPARE(&frmYesNo.get(), first);
    frmYesNo->Unload();
}

void EngineTest::reloadStartsFromTheDefinition()
{
    const QString designText = frmYesNo->Label1->Caption();
    frmYesNo->Label1->setCaption(QStringLiteral("changed"));
    frmYesNo->Command1->setVisible(False);
    frmYesNo->setLeft(100);
    frmYesNo->setCaption(QStringLiteral("other"));
    frmYesNo->Unload();

    QCOMPARE(frmYesNo->Label1->Caption(), designText);
    QCOMPARE(frmYesNo->Command1->Visible(), True);
    QCOMPARE(frmYesNo->Command3->Visible(), False);
    QCOMPARE(frmYesNo->Left(), 8160.f - 60.f);
    QCOMPARE(frmYesNo->Caption(), QStringLiteral("Acrobat Reader Setup  (recommended)"));
    frmYesNo->Unload();
}

void EngineTest::formSizesAreOuterSizes()
{
    // Client area plus 4-pixel borders and a 25-pixel title bar.
    QCOMPARE(frmMsgBox->Width(), 5685.f);
    QCOMPARE(frmMsgBox->Height(), 3015.f);
    QCOMPARE(frmMsgBox->window()->size(), QSize(371, 172));
    frmMsgBox->setLeft(3000);
    frmMsgBox->setTop(4500);
    frmMsgBox->Show();
    QCOMPARE(frmMsgBox->window()->pos(), QPoint(200, 300));
    QCOMPARE(frmMsgBox->Width(), 5685.f);
    frmMsgBox->Unload();
}

void EngineTest::fractionalTwipsAreKept()
{
    frmYesNo->setLeft(1697.5f);
    frmYesNo->Show();
    QCOMPARE(frmYesNo->Left(), 1697.5f);
    QCOMPARE(frmYesNo->window()->x(), 113);
    // Dragged by the player: the form is where the window is.
    frmYesNo->window()->move(300, 200);
    QCOMPARE(frmYesNo->Left(), 4500.f);
    QCOMPARE(frmYesNo->Top(), 3000.f);
    frmYesNo->Unload();
}

void EngineTest::modalShowReturnsAfterUnloadAndHandler()
{
    const FormDef def = testDefinition(false);
    TestForm form(def);
    bool hookRan = false;
    setModalHook([&](Form &shown) {
        hookRan = true;
        QCOMPARE(&shown, &form);
        QVERIFY(shown.window()->isVisible());
        player::press(shown, QStringLiteral("Enter"));
    });
    form.Show(1);
    QVERIFY(hookRan);
    QVERIFY(!form.isLoaded());
    QVERIFY(form.handlerFinished);
}

void EngineTest::modalShowsNest()
{
    const FormDef def = testDefinition(false);
    TestForm outer(def), inner(def);
    QStringList order;
    setModalHook([&](Form &shown) {
        if (&shown == &outer) {
            order << QStringLiteral("outer shown");
            inner.Show(1);
            order << QStringLiteral("inner returned");
            QVERIFY(outer.isLoaded());
            player::press(outer, QStringLiteral("Enter"));
        } else {
            order << QStringLiteral("inner shown");
            QVERIFY(!outer.window()->isEnabled() || outer.window()->isVisible());
            player::press(inner, QStringLiteral("Enter"));
        }
    });
    outer.Show(1);
    order << QStringLiteral("outer returned");
    QCOMPARE(order, QStringList({"outer shown", "inner shown", "inner returned", "outer returned"}));
}

void EngineTest::programEndsWhenTheLastFormUnloads()
{
    QTimer::singleShot(0, [] { player::press(frmOption.get(), QStringLiteral("Enter")); });
    QCOMPARE(engine::run(frmOption.get()), 0);
    QVERIFY(loadedForms().empty());
}

void EngineTest::keysPressTheRightButton_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("okOnly");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("confirmation, Enter at once is No") << "frmYesNo" << false << "Enter" << "No";
    QTest::newRow("confirmation, Tab then Enter is Yes") << "frmYesNo" << false << "Tab Enter" << "Yes";
    QTest::newRow("confirmation, Esc is No") << "frmYesNo" << false << "Esc" << "No";
    QTest::newRow("confirmation, Space is No") << "frmYesNo" << false << "Space" << "No";
    QTest::newRow("confirmation, Alt+Y") << "frmYesNo" << false << "Alt+Y" << "Yes";
    QTest::newRow("confirmation, Alt+O: OK is hidden") << "frmYesNo" << false << "Alt+O" << "";
    QTest::newRow("message, Enter is OK") << "frmYesNo" << true << "Enter" << "OK";
    QTest::newRow("message, Esc does nothing") << "frmYesNo" << true << "Esc" << "";
    QTest::newRow("message, Alt+Y: Yes is hidden") << "frmYesNo" << true << "Alt+Y" << "";
    QTest::newRow("message, Alt+O") << "frmYesNo" << true << "Alt+O" << "OK";
    QTest::newRow("game question, Enter is Yes") << "frmNewBox" << false << "Enter" << "Yes";
    QTest::newRow("game question, Esc is No") << "frmNewBox" << false << "Esc" << "No";
    QTest::newRow("game question, Alt+N") << "frmNewBox" << false << "Alt+N" << "No";
    QTest::newRow("sound note, Esc does nothing") << "frmNewBox" << true << "Esc" << "";
    QTest::newRow("sound note, Space is OK") << "frmNewBox" << true << "Space" << "OK";
    QTest::newRow("offer, Enter is Yes") << "frmMsgBox" << false << "Enter" << "Yes";
    QTest::newRow("offer, Esc is No") << "frmMsgBox" << false << "Esc" << "No";
    QTest::newRow("offer, Alt+N") << "frmMsgBox" << false << "Alt+N" << "No";
    QTest::newRow("offer, Alt+X is no button") << "frmMsgBox" << false << "Alt+X" << "";
    QTest::newRow("product range, Enter finishes") << "frmOption" << false << "Enter" << "Finish";
    QTest::newRow("product range, Esc does nothing") << "frmOption" << false << "Esc" << "";
    QTest::newRow("product range, Alt+F") << "frmOption" << false << "Alt+F" << "Finish";
}

void EngineTest::keysPressTheRightButton()
{
    QFETCH(QString, form);
    QFETCH(bool, okOnly);
    QFETCH(QString, keys);
    QFETCH(QString, pressed);

    frmAcrobat.get(); // holds the answers
    Form *target = &player::dialogNamed(form, okOnly);
    QStringList clicked;
    for (CommandButton *button : target->buttons())
        connect(button, &CommandButton::Click, this, [&clicked, button] { clicked << withoutAccessMarks(button->Caption()); });
    // The offer's No asks for confirmation; leave it open.
    setModalHook([](Form &confirmation) { confirmation.Unload(); });
    target->Show();
    for (const QString &key : keys.split(QLatin1Char(' ')))
        player::press(*target, key);

    QCOMPARE(clicked.join(QLatin1Char(',')), pressed);
    target->Unload();
}

void EngineTest::heldKeysDoNotRepeat()
{
    QStringList clicked;
    frmOption->Load();
    connect(frmOption->Command1.operator->(), &CommandButton::Click, this, [&] { clicked << "Finish"; });
    QWidget *focus = frmOption->window()->focusWidget();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(focus, &repeat);
    QVERIFY(clicked.isEmpty());
    QVERIFY(frmOption->isLoaded());
    frmOption->Unload();
}

void EngineTest::focusStartsOnTheFirstUsableButton_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("okOnly");
    QTest::addColumn<QString>("focused");
    QTest::newRow("offer") << "frmMsgBox" << false << "&Yes";
    QTest::newRow("confirmation") << "frmYesNo" << false << "&No";
    QTest::newRow("message") << "frmYesNo" << true << "&OK";
    QTest::newRow("game question") << "frmNewBox" << false << "&Yes";
    QTest::newRow("sound note") << "frmNewBox" << true << "&OK";
    QTest::newRow("product range") << "frmOption" << false << "&Finish";
}

void EngineTest::focusStartsOnTheFirstUsableButton()
{
    QFETCH(QString, form);
    QFETCH(bool, okOnly);
    QFETCH(QString, focused);
    Form *target = &player::dialogNamed(form, okOnly);
    target->Show();
    auto *button = qobject_cast<QPushButton *>(target->window()->focusWidget());
    QVERIFY(button);
    QCOMPARE(button->text(), focused);
    target->Unload();
}

void EngineTest::closeRequests_data()
{
    QTest::addColumn<bool>("controlBox");
    QTest::newRow("no control box: stays") << false;
    QTest::newRow("control box: unloads without a handler") << true;
}

void EngineTest::closeRequests()
{
    QFETCH(bool, controlBox);
    const FormDef def = testDefinition(controlBox);
    TestForm form(def);
    form.Show();
    form.window()->close();
    QCOMPARE(form.isLoaded(), !controlBox);
    QVERIFY(!form.handlerFinished);
    form.Unload();

    // The dialogs of the setup have no control box.
    frmNewBox->Show();
    frmNewBox->window()->close();
    QVERIFY(frmNewBox->isLoaded());
    QVERIFY(frmNewBox->window()->isVisible());
    frmNewBox->Unload();
}

void EngineTest::confirmationPutsItsQuestionOnALaterLine()
{
    frmYesNo->Show();
    QWidget *label = frmYesNo->Label1->widget();
    const QStringList lines = layoutLabelLines(frmYesNo->Label1->Caption(), QFontMetricsF(label->font()), label->width());
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].startsWith(QLatin1String("it difficult to play the game.  ")));
    QCOMPARE(lines[2], QStringLiteral("Are you sure you DO NOT wish to install? "));
    QVERIFY(lines.size() * QFontMetricsF(label->font()).lineSpacing() <= label->height());

    // On screen: three bands of orange text inside the label.
    const QImage shot = frmYesNo->window()->grab().toImage().copy(label->geometry());
    int bands = 0;
    bool inText = false;
    for (int y = 0; y < shot.height(); ++y) {
        bool text = false;
        for (int x = 0; x < shot.width() && !text; ++x)
            text = qRed(shot.pixel(x, y)) > 150;
        bands += text && !inText ? 1 : 0;
        inText = text;
    }
    QCOMPARE(bands, 3);
    frmYesNo->Unload();
}

void EngineTest::labelCutsOffAtItsBottom()
{
    frmNewBox->Label1->setCaption(QString(QStringLiteral("WWWWW ")).repeated(60));
    frmNewBox->Show();
    const QRect label = frmNewBox->Label1->widget()->geometry();
    const QImage shot = frmNewBox->window()->grab().toImage();
    // Between the label's bottom and the buttons there is only the dark blue form.
    for (int y = label.bottom() + 1; y < label.bottom() + 5; ++y) {
        for (int x = label.left(); x <= label.right(); ++x)
            QCOMPARE(QColor(shot.pixel(x, y)), QColor(0, 0, 64));
    }
    QCOMPARE(frmNewBox->Label1->Height(), 975.f);
    frmNewBox->Unload();
}

void EngineTest::everyFormLoadsWithItsControls_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("controls");
    QTest::newRow("frmAcrobat") << "frmAcrobat" << QStringList{"Image1", "Image2"};
    QTest::newRow("frmMsgBox") << "frmMsgBox" << QStringList{"Command1", "Command2", "Image1", "Label1", "lblMessage"};
    QTest::newRow("frmYesNo") << "frmYesNo" << QStringList{"Command1", "Command2", "Command3", "Label1"};
    QTest::newRow("frmNewBox") << "frmNewBox" << QStringList{"Command1", "Command2", "Command3", "Label1"};
    QTest::newRow("frmOption") << "frmOption" << QStringList{"Command1", "Image1"};
}

void EngineTest::everyFormLoadsWithItsControls()
{
    QFETCH(QString, form);
    QFETCH(QStringList, controls);
    const FormDef &def = player::definitionNamed(form);
    Form plain(def); // the definition alone, without the form's handlers
    plain.Load();
    QVERIFY(!plain.window()->isVisible());
    QCOMPARE(plain.Caption(), def.caption);
    for (const QString &name : controls)
        QCOMPARE(plain.control(name)->name(), name);
    plain.Unload();
}

void EngineTest::missingControlIsALoudError()
{
    const FormDef def = testDefinition(false);
    FormWithMissingControl form(def);
    try {
        form.Load();
        QFAIL("loaded without its control");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), err::ControlMissing);
        QVERIFY(error.message().contains("lblMissing"));
    }
    QVERIFY(!form.isLoaded());
}

void EngineTest::damagedPictureIsARunTimeError()
{
    QByteArray jpeg;
    {
        QFile file(QStringLiteral(":/pictures/cover.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        jpeg = file.readAll();
    }
    QCOMPARE(decodePictureBytes(jpeg, "cover").size(), QSize(252, 308));
    for (const QByteArray &bytes : {jpeg.left(20), QByteArray("GIF89a....."), QByteArray()}) {
        try {
            decodePictureBytes(bytes, QStringLiteral("the game cover"));
            QFAIL("a damaged picture decoded");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), err::InvalidPicture);
            QVERIFY(error.message().contains("the game cover"));
        }
    }
    FormDef def = testDefinition(false);
    def.controls.push_back({.kind = ControlKind::Image, .name = QStringLiteral("Image1"),
                            .picture = {QStringLiteral(":/pictures/no-such.jpg"), QStringLiteral("a lost picture")}});
    Form form(def);
    try {
        form.Load();
        QFAIL("a form with a missing picture loaded");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), err::InvalidPicture);
    }
    QVERIFY(!form.isLoaded());
}

// Pictures decoded earlier stay valid however many follow (the cache grows).
void EngineTest::decodedPicturesStayWhileMoreAreDecoded()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (int i = 1; i <= 60; ++i)
        QVERIFY(QImage(i, 1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("%1.bmp").arg(i)), "BMP"));
    const QImage &first = decodePicture(folder.filePath(QStringLiteral("1.bmp")));
    for (int i = 2; i <= 60; ++i)
        QCOMPARE(decodePicture(folder.filePath(QStringLiteral("%1.bmp").arg(i))).width(), i);
    QCOMPARE(first.size(), QSize(1, 1));
}

QTEST_MAIN(EngineTest)
#include "tst_engine.moc"
