// The whole setup as a player goes through it: the dialogs in order with their
// texts and places, the installers each combination of answers starts, and the
// product range screen at the end.
#include "setup/frmMsgBox.h"
#include "setup/frmNewBox.h"
#include "setup/frmOption.h"
#include "setup/frmYesNo.h"
#include "forms/core/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "forms/qt/qtport.h"
#include "support/player.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

using namespace engine;

namespace {

// The texts as the player reads them, spelled out.
const QString offerText = QStringLiteral("Would you like to install  Acrobat Reader ?");
const QString confirmationText = QStringLiteral("Without viewing the manual you may find  it difficult to play the game.")
    + QString(116, QLatin1Char(' ')) + QStringLiteral("Are you sure you DO NOT wish to install? ");
const QString manualNote = QStringLiteral(
    "To view the electronic manual double click on MANUAL.PDF  in the root directory of your CD-ROM.");
const QString gameQuestion = QStringLiteral("Would you like to install the game?");
const QString soundNote = QStringLiteral("Before playing the game configure             your sound by launching         "
                                         "C:\\TRENCH\\ INSTALL.EXE [Default]         and choose the CONFIGURE option.");

struct Launch {
    QString commandLine;
    Long showState;
};

// "offer: Esc Enter" → the step for that dialog, with the text it must show.
player::Step step(const QString &line)
{
    const QString alias = line.section(QLatin1Char(':'), 0, 0).trimmed();
    const QStringList actions = line.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (alias == QLatin1String("offer"))
        return {QStringLiteral("frmMsgBox"), offerText, actions};
    if (alias == QLatin1String("confirm"))
        return {QStringLiteral("frmYesNo"), confirmationText, actions};
    if (alias == QLatin1String("manual"))
        return {QStringLiteral("frmYesNo"), manualNote, actions};
    if (alias == QLatin1String("game"))
        return {QStringLiteral("frmNewBox"), gameQuestion, actions};
    if (alias == QLatin1String("sound"))
        return {QStringLiteral("frmNewBox"), soundNote, actions};
    return {QStringLiteral("frmNewBox"), QString(), actions}; // "failed": checked by the test
}

QList<player::Step> steps(const QStringList &lines)
{
    QList<player::Step> result;
    for (const QString &line : lines)
        result << step(line);
    return result;
}

} // namespace

class SequenceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyPathThroughTheSetup_data();
    void everyPathThroughTheSetup();
    void dialogsOpenAtTheSharedPlace();
    void confirmationCentresOnTheOfferOriginalPlace();
    void closeRequestsChangeNothing_data();
    void closeRequestsChangeNothing();
    void failedStartIsReported_data();
    void failedStartIsReported();
    void messageProcedures();
    void welcomeScreenStaysBehindTheDialogs();

private:
    // Runs the setup from the welcome screen's load to the product range screen.
    void runSetup(const QStringList &lines);
    QList<Launch> m_launches;
    QList<Long> m_results;
    QList<player::Shown> m_lastScript;
};

void SequenceTest::init()
{
    m_launches.clear();
    m_results.clear();
    App.setPathForTesting("/media/cdrom");
    mdlMain::setLauncherForTesting([this](const std::string &commandLine, Long showState, std::string &reason) {
        m_launches << Launch{QString::fromStdString(commandLine), showState};
        const Long result = m_results.isEmpty() ? 33 : m_results.takeFirst();
        if (result <= 31)
            reason = "the file is not on the disc";
        return result;
    });
}

void SequenceTest::cleanup()
{
    mdlMain::setLauncherForTesting({});
    App.setPathForTesting({});
    player::verifyNothingLeft();
}

void SequenceTest::runSetup(const QStringList &lines)
{
    player::Script script(steps(lines));
    frmAcrobat->Load();
    m_lastScript = script.shownDialogs();
    QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(QLatin1String("; "))));
    QCOMPARE(script.remaining(), 0);
}

void SequenceTest::everyPathThroughTheSetup_data()
{
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QStringList>("started");

    const QString reader = QStringLiteral("/media/cdrom/Acrobat\\Setup.exe");
    const QString game = QStringLiteral("/media/cdrom/Tallset.exe");
    QTest::newRow("accept all by keyboard")
        << QStringList{"offer: Enter", "manual: Enter", "game: Enter", "sound: Enter"} << QStringList{reader, game};
    QTest::newRow("accept by mouse, game No")
        << QStringList{"offer: click:Yes", "manual: click:OK", "game: click:No", "sound: click:OK"} << QStringList{reader};
    QTest::newRow("decline and confirm, game Yes")
        << QStringList{"offer: Esc", "confirm: Tab Enter", "manual: Space", "game: Alt+Y", "sound: Enter"}
        << QStringList{game};
    QTest::newRow("decline and confirm, game No clears the confirmed answer")
        << QStringList{"offer: click:No", "confirm: Alt+Y", "manual: Enter", "game: Esc", "sound: Esc Enter"}
        << QStringList{};
    QTest::newRow("decline, refuse to confirm, then accept")
        << QStringList{"offer: Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter", "sound: Enter"}
        << QStringList{reader, game};
    QTest::newRow("decline, refuse, accept, game No")
        << QStringList{"offer: Alt+N Alt+Y", "confirm: Esc", "manual: Enter", "game: Alt+N", "sound: Alt+O"}
        << QStringList{reader};
    QTest::newRow("decline twice then confirm, game No")
        << QStringList{"offer: Esc Esc", "confirm: click:No", "confirm: click:Yes", "manual: click:OK", "game: click:No",
                       "sound: click:OK"}
        << QStringList{};
    QTest::newRow("decline twice then confirm, game Yes")
        << QStringList{"offer: Esc click:No", "confirm: Enter", "confirm: Tab Space", "manual: Enter", "game: Enter",
                       "sound: Enter"}
        << QStringList{game};
}

void SequenceTest::everyPathThroughTheSetup()
{
    QFETCH(QStringList, dialogs);
    QFETCH(QStringList, started);
    runSetup(dialogs);

    QStringList commandLines;
    for (const Launch &launch : std::as_const(m_launches)) {
        commandLines << launch.commandLine;
        QCOMPARE(launch.showState, mdlMain::SW_SHOWMAXIMIZED);
    }
    QCOMPARE(commandLines, started);

    // The run ends on the product range screen alone.
    QCOMPARE(loadedForms().size(), size_t(1));
    QCOMPARE(loadedForms().front(), &frmOption.get());
    QVERIFY(player::windowOf(frmOption.get())->isVisible());
    player::press(frmOption.get(), QStringLiteral("Enter"));
    QVERIFY(loadedForms().empty());
}

void SequenceTest::dialogsOpenAtTheSharedPlace()
{
    player::Script script(steps({"offer: Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter", "sound: Enter"}));
    frmAcrobat->Load();
    QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(QLatin1String("; "))));
    // 800 x 600: the cover ends at 360 + 4691.8916 twips; a quarter screen below centre.
    QCOMPARE(frmAcrobat->lngLeft, 5412);
    QCOMPARE(frmAcrobat->lngTop, 5242);
    // The confirmation is centred over the offer, fraction kept; the rest open where the offer did.
    const QList<QPointF> expected{{5412, 5242}, {6109.5, 5587}, {5412, 5242}, {5412, 5242}, {5412, 5242}};
    QCOMPARE(script.places(), expected);
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

void SequenceTest::confirmationCentresOnTheOfferOriginalPlace()
{
    player::Script script(steps({"offer: drag:120,-80 Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter",
                                 "sound: Enter"}));
    frmAcrobat->Load();
    QVERIFY2(script.failures().isEmpty(), qPrintable(script.failures().join(QLatin1String("; "))));
    QCOMPARE(script.places().at(1), QPointF(6109.5, 5587));
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

void SequenceTest::closeRequestsChangeNothing_data()
{
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<int>("launches");
    QTest::newRow("offer") << QStringList{"offer: close Enter", "manual: Enter", "game: Esc", "sound: Enter"} << 1;
    QTest::newRow("confirmation, then game question: no stale answer")
        << QStringList{"offer: Esc", "confirm: close Alt+Y", "manual: close Enter", "game: close Esc", "sound: close Enter"}
        << 0;
}

void SequenceTest::closeRequestsChangeNothing()
{
    QFETCH(QStringList, dialogs);
    QFETCH(int, launches);
    runSetup(dialogs);
    QCOMPARE(m_launches.size(), launches);
    player::windowOf(frmOption.get())->close();
    QVERIFY(frmOption->isLoaded());
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

void SequenceTest::failedStartIsReported_data()
{
    QTest::addColumn<QList<Long>>("results");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QString>("named");
    QTest::newRow("reader installer")
        << QList<Long>{2, 33} << QStringList{"offer: Enter", "failed: Enter", "manual: Enter", "game: Enter", "sound: Enter"}
        << "Acrobat\\Setup.exe";
    QTest::newRow("game installer")
        << QList<Long>{33, 0} << QStringList{"offer: Enter", "manual: Enter", "game: Enter", "failed: Esc Enter", "sound: Enter"}
        << "Tallset.exe";
}

void SequenceTest::failedStartIsReported()
{
    QFETCH(QList<Long>, results);
    QFETCH(QStringList, dialogs);
    QFETCH(QString, named);
    m_results = results;
    runSetup(dialogs);
    QCOMPARE(m_launches.size(), 2);

    // The report stands where the failed step stood, OK alone, at the shared place.
    const qsizetype at = dialogs.indexOf(dialogs.filter(QStringLiteral("failed:")).value(0));
    QVERIFY(at > 0);
    const player::Shown report = m_lastScript.at(at);
    QCOMPARE(report.form, QStringLiteral("frmNewBox"));
    QCOMPARE(report.buttons, QStringList{"OK"});
    QCOMPARE(report.place, QPointF(frmAcrobat->lngLeft, frmAcrobat->lngTop));
    QCOMPARE(report.text, QStringLiteral("Setup could not start %1 from your CD-ROM: the file is not on the disc.").arg(named));
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

void SequenceTest::messageProcedures()
{
    frmAcrobat->lngLeft = 1000;
    frmAcrobat->lngTop = 2000;
    frmAcrobat->blnResult = True;
    struct Seen {
        QString form, caption, text;
        QStringList buttons;
        QPointF place;
    };
    QList<Seen> seen;
    setModalHook([&](Form &form) {
        seen << Seen{QString::fromStdString(form.name()), QString::fromStdString(form.Caption()), player::shownText(form), player::usableButtons(form),
                     QPointF(form.Left(), form.Top())};
        player::press(form, QStringLiteral("Enter"));
    });
    frmAcrobat->MyMsgBox("first", True);
    frmAcrobat->MyMsgBox("second", False);
    frmAcrobat->MyNewBox("third", True);
    frmAcrobat->MyNewBox("fourth", False);
    frmAcrobat->MyNewBox("fifth", 1); // any value but 0 counts as True

    QCOMPARE(seen.size(), 5);
    const QString readerTitle = QStringLiteral("Acrobat Reader Setup  (recommended)");
    const QString gameTitle = QStringLiteral("Trenchmoor Setup ");
    QCOMPARE(seen[0].form, QStringLiteral("frmYesNo"));
    QCOMPARE(seen[0].caption, readerTitle);
    QCOMPARE(seen[0].text, QStringLiteral("first"));
    QCOMPARE(seen[0].buttons, QStringList{"OK"});
    QCOMPARE(seen[1].buttons, (QStringList{"No", "Yes"})); // Yes and No again after an OK-only call
    QCOMPARE(seen[2].form, QStringLiteral("frmNewBox"));
    QCOMPARE(seen[2].caption, gameTitle);
    QCOMPARE(seen[3].buttons, (QStringList{"Yes", "No"}));
    QCOMPARE(seen[4].buttons, QStringList{"OK"});
    for (const Seen &dialog : seen)
        QCOMPARE(dialog.place, QPointF(1000, 2000));
    // Enter on the confirmation-style dialog pressed No; on the game dialog Yes;
    // OK left the answer as it was.
    QCOMPARE(frmAcrobat->blnResult, True);
    QVERIFY(loadedForms().empty());
}

void SequenceTest::welcomeScreenStaysBehindTheDialogs()
{
    bool checked = false;
    setModalHook([&](Form &form) {
        if (!checked) {
            checked = true;
            QVERIFY(frmAcrobat->isLoaded());
            QVERIFY(player::windowOf(frmAcrobat.get())->isVisible());
            // The background fills the screen; the cover keeps its corner and grows.
            QCOMPARE(qtport::widgetOf(*frmAcrobat->Image1)->geometry(), QRect(0, 0, 800, 600));
            QCOMPARE(frmAcrobat->Image2->Left(), 360.f);
            QCOMPARE(frmAcrobat->Image2->Width(), 4691.8916f);
            QCOMPARE(frmAcrobat->Image2->Height(), 5289.6406f);
            QCOMPARE(qtport::widgetOf(*frmAcrobat->Image2)->geometry(), QRect(24, 24, 313, 353));
            // The dialog takes the input; the welcome screen waits behind it.
            QCOMPARE(QGuiApplication::modalWindow(), player::windowOf(form)->windowHandle());
        }
        player::press(form, QStringLiteral("Enter"));
    });
    frmAcrobat->Load();
    QVERIFY(checked);
    QVERIFY(!frmAcrobat->isLoaded());
    player::press(frmOption.get(), QStringLiteral("Enter"));
}

QTEST_MAIN(SequenceTest)
#include "tst_sequence.moc"
