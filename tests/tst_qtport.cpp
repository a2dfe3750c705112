// The forms engine on the Qt port, with the launcher's forms: default
// instances, loading and unloading, frames, modal shows, keys reaching the key
// rules, focus, close requests, labels as drawn, pictures and run-time errors.
#include "forms/core/errors.h"
#include "forms/core/labellayout.h"
#include "forms/core/screen.h"
#include "forms/qt/pictures.h"
#include "forms/qt/qtport.h"
#include "setup/frmAcrobat.h"
#include "setup/frmMsgBox.h"
#include "setup/frmNewBox.h"
#include "setup/frmOption.h"
#include "setup/frmYesNo.h"
#include "support/player.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

using namespace engine;

namespace {

// A small form of the tests' own: one button whose handler unloads the form
// and then goes on, and a label.
FormDef testDefinition(bool controlBox)
{
    return FormDef{
        .name = "frmTest",
        .caption = "Test",
        .controlBox = controlBox,
        .clientLeft = 1500, .clientTop = 1500, .clientWidth = 3000, .clientHeight = 1500,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command1",
             .left = 120, .top = 120, .width = 1215, .height = 375,
             .caption = "&Go", .tabIndex = 0, .isDefault = true},
            {.kind = ControlKind::Label, .name = "Label1",
             .left = 120, .top = 600, .width = 2000, .height = 375, .caption = "Label"},
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
    ControlRef<CommandButton> Command1{this, "Command1"};
    bool handlerFinished = false;
};

class FormWithMissingControl : public Form {
public:
    explicit FormWithMissingControl(const FormDef &def) : Form(def) {}
    ControlRef<Label> lblMissing{this, "lblMissing"};
};

} // namespace

class QtPortTest : public QObject {
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
    void heldKeysDoNotRepeat_data();
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
    void dialogIsDrawnWhenMapped_data();
    void dialogIsDrawnWhenMapped();
};

void QtPortTest::cleanup()
{
    player::verifyNothingLeft();
}

void QtPortTest::defaultInstanceIsMadeOnceAndLoadsHidden()
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

void QtPortTest::reloadStartsFromTheDefinition()
{
    const std::string designText = frmYesNo->Label1->Caption();
    frmYesNo->Label1->setCaption("changed");
    frmYesNo->Command1->setVisible(False);
    frmYesNo->setLeft(100);
    frmYesNo->setCaption("other");
    frmYesNo->Unload();

    QCOMPARE(frmYesNo->Label1->Caption(), designText);
    QCOMPARE(frmYesNo->Command1->Visible(), True);
    QCOMPARE(frmYesNo->Command3->Visible(), False);
    QCOMPARE(frmYesNo->Left(), 8160.f - 60.f);
    QCOMPARE(frmYesNo->Caption(), std::string("Acrobat Reader Setup  (recommended)"));
    frmYesNo->Unload();
}

void QtPortTest::formSizesAreOuterSizes()
{
    // Client area plus 4-pixel borders and a 25-pixel title bar.
    QCOMPARE(frmMsgBox->Width(), 5685.f);
    QCOMPARE(frmMsgBox->Height(), 3015.f);
    QCOMPARE(player::windowOf(frmMsgBox.get())->size(), QSize(371, 172));
    frmMsgBox->setLeft(3000);
    frmMsgBox->setTop(4500);
    frmMsgBox->Show();
    QCOMPARE(player::windowOf(frmMsgBox.get())->pos(), QPoint(200, 300));
    QCOMPARE(frmMsgBox->Width(), 5685.f);
    frmMsgBox->Unload();
}

void QtPortTest::fractionalTwipsAreKept()
{
    frmYesNo->setLeft(1697.5f);
    frmYesNo->Show();
    QCOMPARE(frmYesNo->Left(), 1697.5f);
    QCOMPARE(player::windowOf(frmYesNo.get())->x(), 113);
    // Dragged by the player: the form is where the window is.
    player::windowOf(frmYesNo.get())->move(300, 200);
    QCOMPARE(frmYesNo->Left(), 4500.f);
    QCOMPARE(frmYesNo->Top(), 3000.f);
    frmYesNo->Unload();
}

void QtPortTest::modalShowReturnsAfterUnloadAndHandler()
{
    const FormDef def = testDefinition(false);
    TestForm form(def);
    bool hookRan = false;
    setModalHook([&](Form &shown) {
        hookRan = true;
        QCOMPARE(&shown, &form);
        QVERIFY(player::windowOf(shown)->isVisible());
        player::press(shown, "Enter");
    });
    form.Show(1);
    QVERIFY(hookRan);
    QVERIFY(!form.isLoaded());
    QVERIFY(form.handlerFinished);
}

void QtPortTest::modalShowsNest()
{
    const FormDef def = testDefinition(false);
    TestForm outer(def), inner(def);
    QStringList order;
    QWidget *modalWhileInner = nullptr, *innerWindow = nullptr;
    setModalHook([&](Form &shown) {
        if (&shown == &outer) {
            order << "outer shown";
            inner.Show(1);
            order << "inner returned";
            QVERIFY(outer.isLoaded());
            player::press(outer, "Enter");
        } else {
            order << "inner shown";
            // The inner form is the modal one now: the outer takes no input.
            modalWhileInner = QApplication::activeModalWidget();
            innerWindow = player::windowOf(inner);
            player::press(inner, "Enter");
        }
    });
    outer.Show(1);
    order << "outer returned";
    QCOMPARE(order, QStringList({"outer shown", "inner shown", "inner returned", "outer returned"}));
    QVERIFY(innerWindow);
    QCOMPARE(modalWhileInner, innerWindow);
}

void QtPortTest::programEndsWhenTheLastFormUnloads()
{
    QTimer::singleShot(0, [] { player::press(frmOption.get(), "Enter"); });
    QCOMPARE(engine::run(frmOption.get()), 0);
    QVERIFY(loadedForms().empty());
}

void QtPortTest::keysPressTheRightButton_data()
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

void QtPortTest::keysPressTheRightButton()
{
    QFETCH(QString, form);
    QFETCH(bool, okOnly);
    QFETCH(QString, keys);
    QFETCH(QString, pressed);

    frmAcrobat.get(); // holds the answers
    Form *target = &player::dialogNamed(form, okOnly);
    QStringList clicked;
    // The caption is taken now: a button's handler may unload its form first.
    for (CommandButton *button : target->buttons()) {
        const QString caption = qtport::qs(withoutAccessMarks(button->Caption()));
        connect(qtport::buttonOf(*button), &QPushButton::clicked, this, [&clicked, caption] { clicked << caption; });
    }
    // The offer's No asks for confirmation; leave it open.
    setModalHook([](Form &confirmation) { confirmation.Unload(); });
    target->Show();
    for (const QString &key : keys.split(QLatin1Char(' ')))
        player::press(*target, key);

    QCOMPARE(clicked.join(QLatin1Char(',')), pressed);
    target->Unload();
}

void QtPortTest::heldKeysDoNotRepeat_data()
{
    // A release of Enter at releasedAt (0: none sent), then a press at pressedAt
    // (0: no time, as from a test), marked by Qt as a repeat or not.
    QTest::addColumn<ulong>("releasedAt");
    QTest::addColumn<ulong>("pressedAt");
    QTest::addColumn<bool>("markedRepeat");
    QTest::addColumn<bool>("finishes");
    QTest::newRow("marked, no times") << 0ul << 0ul << true << false;
    QTest::newRow("the pair at once, unmarked") << 500ul << 500ul << false << false;
    QTest::newRow("marked, 5 ms after the release") << 500ul << 505ul << true << false;
    QTest::newRow("mark left from a press that went nowhere") << 500ul << 900ul << true << true;
    QTest::newRow("a new press") << 500ul << 900ul << false << true;
}

void QtPortTest::heldKeysDoNotRepeat()
{
    QFETCH(ulong, releasedAt);
    QFETCH(ulong, pressedAt);
    QFETCH(bool, markedRepeat);
    QFETCH(bool, finishes);
    QStringList clicked;
    frmOption->Load();
    connect(qtport::buttonOf(*frmOption->Command1), &QPushButton::clicked, this, [&] { clicked << "Finish"; });
    QWidget *focus = player::windowOf(frmOption.get())->focusWidget();
    if (releasedAt != 0) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        release.setTimestamp(releasedAt);
        QCoreApplication::sendEvent(focus, &release);
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), markedRepeat);
    press.setTimestamp(pressedAt);
    QCoreApplication::sendEvent(focus, &press);
    QCOMPARE(clicked, finishes ? QStringList{"Finish"} : QStringList{});
    if (frmOption->isLoaded())
        frmOption->Unload();
}

void QtPortTest::focusStartsOnTheFirstUsableButton_data()
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

void QtPortTest::focusStartsOnTheFirstUsableButton()
{
    QFETCH(QString, form);
    QFETCH(bool, okOnly);
    QFETCH(QString, focused);
    Form *target = &player::dialogNamed(form, okOnly);
    target->Show();
    auto *button = qobject_cast<QPushButton *>(player::windowOf(*target)->focusWidget());
    QVERIFY(button);
    QCOMPARE(button->text(), focused);
    target->Unload();
}

void QtPortTest::closeRequests_data()
{
    QTest::addColumn<bool>("controlBox");
    QTest::newRow("no control box: stays") << false;
    QTest::newRow("control box: unloads without a handler") << true;
}

void QtPortTest::closeRequests()
{
    QFETCH(bool, controlBox);
    const FormDef def = testDefinition(controlBox);
    TestForm form(def);
    form.Show();
    player::windowOf(form)->close();
    QCOMPARE(form.isLoaded(), !controlBox);
    QVERIFY(!form.handlerFinished);
    form.Unload();

    // The dialogs of the setup have no control box.
    frmNewBox->Show();
    player::windowOf(frmNewBox.get())->close();
    QVERIFY(frmNewBox->isLoaded());
    QVERIFY(player::windowOf(frmNewBox.get())->isVisible());
    frmNewBox->Unload();
}

void QtPortTest::confirmationPutsItsQuestionOnALaterLine()
{
    frmYesNo->Show();
    QWidget *label = qtport::widgetOf(*frmYesNo->Label1);
    const QFontMetricsF metrics(label->font());
    const std::vector<std::string> lines = layoutLabelLines(
        frmYesNo->Label1->Caption(), [&](const std::string &text) { return metrics.horizontalAdvance(qtport::qs(text)); },
        label->width());
    QCOMPARE(lines.size(), size_t(3));
    QVERIFY(lines[1].starts_with("it difficult to play the game.  "));
    QCOMPARE(lines[2], std::string("Are you sure you DO NOT wish to install? "));
    QVERIFY(lines.size() * metrics.lineSpacing() <= label->height());

    // On screen: three bands of orange text inside the label.
    const QImage shot = player::windowOf(frmYesNo.get())->grab().toImage().copy(label->geometry());
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

void QtPortTest::labelCutsOffAtItsBottom()
{
    std::string many;
    for (int i = 0; i < 60; ++i)
        many += "WWWWW ";
    frmNewBox->Label1->setCaption(many);
    frmNewBox->Show();
    const QImage shot = player::windowOf(frmNewBox.get())->grab().toImage();
    // The label stands at 32,16 and is 241 x 65 pixels (480, 240, 3615 x 975
    // twips): text reaches its last rows, and below it, up to the buttons at
    // 88, there is only the dark blue form.
    auto textInRow = [&](int y) {
        for (int x = 32; x < 32 + 241; ++x) {
            if (qRed(shot.pixel(x, y)) > 150)
                return true;
        }
        return false;
    };
    bool textNearBottom = false;
    for (int y = 16 + 65 - 8; y < 16 + 65; ++y)
        textNearBottom = textNearBottom || textInRow(y);
    QVERIFY(textNearBottom);
    for (int y = 16 + 65; y < 88; ++y)
        QVERIFY2(!textInRow(y), qPrintable(QStringLiteral("text below the label in row %1").arg(y)));
    QCOMPARE(frmNewBox->Label1->Height(), 975.f);
    frmNewBox->Unload();
}

void QtPortTest::everyFormLoadsWithItsControls_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("controls");
    QTest::newRow("frmAcrobat") << "frmAcrobat" << QStringList{"Image1", "Image2"};
    QTest::newRow("frmMsgBox") << "frmMsgBox" << QStringList{"Command1", "Command2", "Image1", "Label1", "lblMessage"};
    QTest::newRow("frmYesNo") << "frmYesNo" << QStringList{"Command1", "Command2", "Command3", "Label1"};
    QTest::newRow("frmNewBox") << "frmNewBox" << QStringList{"Command1", "Command2", "Command3", "Label1"};
    QTest::newRow("frmOption") << "frmOption" << QStringList{"Command1", "Image1"};
}

void QtPortTest::everyFormLoadsWithItsControls()
{
    QFETCH(QString, form);
    QFETCH(QStringList, controls);
    const FormDef &def = player::definitionNamed(form);
    Form plain(def); // the definition alone, without the form's handlers
    plain.Load();
    QVERIFY(!player::windowOf(plain)->isVisible());
    QCOMPARE(plain.Caption(), def.caption);
    for (const QString &name : controls)
        QCOMPARE(qtport::qs(plain.control(qtport::us(name))->name()), name);
    plain.Unload();
}

void QtPortTest::missingControlIsALoudError()
{
    const FormDef def = testDefinition(false);
    FormWithMissingControl form(def);
    try {
        form.Load();
        QFAIL("loaded without its control");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), err::ControlMissing);
        QCOMPARE(error.message(), std::string("Run-time error '340': Control 'lblMissing' is missing from form frmTest"));
    }
    QVERIFY(!form.isLoaded());
}

void QtPortTest::damagedPictureIsARunTimeError()
{
    QByteArray jpeg;
    {
        QFile file(":/pictures/cover.jpg");
        QVERIFY(file.open(QIODevice::ReadOnly));
        jpeg = file.readAll();
    }
    QCOMPARE(qtport::decodePictureBytes(jpeg, "cover").size(), QSize(252, 308));
    for (const QByteArray &bytes : {jpeg.left(20), QByteArray("GIF89a....."), QByteArray()}) {
        try {
            qtport::decodePictureBytes(bytes, "the game cover");
            QFAIL("a damaged picture decoded");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), err::InvalidPicture);
            QCOMPARE(error.message(), std::string("Run-time error '481': Invalid picture (the game cover)"));
        }
    }
    FormDef def = testDefinition(false);
    def.controls.push_back({.kind = ControlKind::Image, .name = "Image1",
                            .picture = {"no-such.jpg", "a lost picture"}});
    Form form(def);
    try {
        form.Load();
        QFAIL("a form with a missing picture loaded");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), err::InvalidPicture);
    }
    QVERIFY(!form.isLoaded());
}

// On X11 (tst_qtport.x11): the moment a dialog is mapped, before the program
// has answered the expose, the screen shows what the program then paints; once
// it has painted, the server keeps none of those pixels for later exposes. With
// `held`, the test stands in for a window manager: it holds the map request and
// maps the window itself once the program has shown it; without, the server
// maps the window at once, before the program has drawn it.
void QtPortTest::dialogIsDrawnWhenMapped_data()
{
    QTest::addColumn<bool>("okAlone");
    QTest::addColumn<bool>("held");
    QTest::newRow("Yes and No, map held") << false << true;
    QTest::newRow("OK alone, map held") << true << true;
    QTest::newRow("OK alone, mapped at once") << true << false;
}

void QtPortTest::dialogIsDrawnWhenMapped()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("X11 only: run as tst_qtport.x11");
    QFETCH(bool, okAlone);
    QFETCH(bool, held);
    xcb_connection_t *program = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> own(xcb_connect(nullptr, nullptr),
                                                                             xcb_disconnect);
    xcb_connection_t *manager = own.get();
    QVERIFY(!xcb_connection_has_error(manager));
    auto sync = [](xcb_connection_t *connection) {
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    };
    if (held) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(manager)).data->root;
        const uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_generic_error_t *refused = xcb_request_check(
            manager, xcb_change_window_attributes_checked(manager, root, XCB_CW_EVENT_MASK, &redirect));
        const bool holdsMaps = !refused;
        std::free(refused);
        QVERIFY2(holdsMaps, "another window manager runs");
    }

    frmNewBox->Label1->setCaption("Before playing the game configure your sound.");
    if (okAlone) {
        frmNewBox->Command1->setVisible(False);
        frmNewBox->Command2->setVisible(False);
        frmNewBox->Command3->setVisible(True);
    }
    frmNewBox->Show();
    QWidget *window = player::windowOf(frmNewBox.get());
    const WId id = window->winId();
    // Once the server has what the program sent on showing the window.
    sync(program);
    if (held) {
        xcb_map_window(manager, xcb_window_t(id));
        sync(manager);
    }
    const QImage atMap = window->screen()->grabWindow(id).toImage();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    const QImage painted = window->screen()->grabWindow(id).toImage();
    QCOMPARE(painted.size(), QSize(278, 126));
    QCOMPARE(atMap, painted);
    // Shown again behind the program's back, it is not the dialog until painted.
    xcb_unmap_window(manager, xcb_window_t(id));
    xcb_map_window(manager, xcb_window_t(id));
    sync(manager);
    QVERIFY(window->screen()->grabWindow(id).toImage() != painted);
    frmNewBox->Unload();
}

QTEST_MAIN(QtPortTest)
#include "tst_qtport.moc"
