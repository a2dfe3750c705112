// Starting installers from a disc folder for real: names in any case, blanks
// and odd names, scripts on discs without execute bits, and every way a start
// can fail, reported with its reason.
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "setup/placement.h"
#include "forms/core/screen.h"
#include "support/player.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace engine;

namespace {

// A stand-in installer: records its folder, its arguments and that it ran.
const QByteArray recorder = "#!/bin/sh\n"
                            "printf '%s|%s\\n' \"$(pwd)\" \"$#\" >> \"$(dirname \"$0\")/started.log\"\n";

void writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

constexpr QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::WriteOwner;
constexpr QFile::Permissions runnable = readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void startsOrReportsWhy_data();
    void startsOrReportsWhy();
    void startedProgramRunsWhileTheNextDialogWaits();
};

void LauncherTest::cleanup()
{
    App.setPathForTesting({});
    player::verifyNothingLeft();
}

void LauncherTest::startsOrReportsWhy_data()
{
    QTest::addColumn<QString>("folder");      // the disc's folder name
    QTest::addColumn<QString>("file");        // the installer as it lies on the disc
    QTest::addColumn<QString>("asked");       // the name the launcher asks for
    QTest::addColumn<QByteArray>("content");  // "recorder", "elf" or the bytes
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("reason");      // part of the reason for a failed start

    const QByteArray record = "recorder";
    QTest::newRow("as written") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << true << "";
    QTest::newRow("upper-case names") << "disc" << "ACROBAT/SETUP.EXE" << "Acrobat\\Setup.exe" << record << true << true << "";
    QTest::newRow("lower-case names") << "disc" << "acrobat/setup.exe" << "Acrobat\\Setup.exe" << record << true << true << "";
    QTest::newRow("blanks in the folder") << "Trenchmoor CD 1" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << true << "";
    QTest::newRow("blanks in the name") << "disc" << "Acrobat Reader/Setup.exe" << "Acrobat Reader\\Setup.exe" << record << true << true << "";
    QTest::newRow("non-ASCII folder") << QString::fromUtf8("Schützengraben-Ölmühle") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true
                                      << true << "";
    QTest::newRow("200-character folder") << QString(200, QLatin1Char('d')) << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true
                                          << true << "";
    QTest::newRow("script without execute bit") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << false << true << "";
    QTest::newRow("program") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("elf") << true << true << "";
    QTest::newRow("program without execute bit")
        << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("elf") << false << false << "permission to run it was refused";
    QTest::newRow("missing") << "disc" << "Acrobat/Readme.txt" << "Acrobat\\Setup.exe" << QByteArray("text") << false << false
                             << "the file is not on the disc";
    QTest::newRow("missing folder") << "disc" << "Other/Setup.exe" << "Acrobat\\Setup.exe" << record << true << false
                                    << "its folder is not on the disc";
    QTest::newRow("a folder") << "disc" << "Acrobat/Setup.exe/" << "Acrobat\\Setup.exe" << QByteArray() << true << false
                              << "it is a folder, not a program";
    QTest::newRow("zero bytes") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray() << true << false << "the file is empty";
    QTest::newRow("text, not a program") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("Install me!\n") << true << false
                                         << "not a program";
    QTest::newRow("Windows program") << "disc" << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("MZ\x90\0\3\0\0\0", 8) << true << false
                                     << "not a program";
}

void LauncherTest::startsOrReportsWhy()
{
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(QString, asked);
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    QFETCH(bool, started);
    QFETCH(QString, reason);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString disc = root.filePath(folder);
    QVERIFY(QDir().mkpath(disc));
    if (file.endsWith(QLatin1Char('/'))) {
        QVERIFY(QDir().mkpath(disc + QLatin1Char('/') + file));
    } else {
        QByteArray bytes = content;
        if (content == "recorder")
            bytes = recorder;
        else if (content == "elf") {
            QFile program(QStringLiteral("/bin/true"));
            QVERIFY(program.open(QIODevice::ReadOnly));
            bytes = program.readAll();
        }
        writeFile(disc + QLatin1Char('/') + file, bytes, executable ? runnable : readable);
    }

    App.setPathForTesting(QFile::encodeName(disc).toStdString());
    const Long result = mdlMain::WinExec(placement::installerPath(App.Path(), asked.toStdString()), mdlMain::SW_SHOWMAXIMIZED);
    QCOMPARE(result > 31, started);
    const QString why = QString::fromStdString(mdlMain::LastExecError());
    if (!started) {
        QVERIFY2(why.contains(reason), qPrintable(why));
        return;
    }
    QVERIFY(why.isEmpty());
    if (content == "recorder") {
        // In the disc folder, with no arguments.
        const QString log = QFileInfo(disc + QLatin1Char('/') + file).path() + QStringLiteral("/started.log");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > 0, 5000);
        QFile records(log);
        QVERIFY(records.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(records.readAll()).trimmed(), QFileInfo(disc).canonicalFilePath() + "|0");
    }
}

void LauncherTest::startedProgramRunsWhileTheNextDialogWaits()
{
    QTemporaryDir disc;
    writeFile(disc.filePath("Tallset.exe"),
              "#!/bin/sh\necho $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 30\n", runnable);
    App.setPathForTesting(QFile::encodeName(disc.path()).toStdString());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(mdlMain::WinExec(placement::installerPath(App.Path(), "Tallset.exe"), mdlMain::SW_SHOWMAXIMIZED) > 31);
    QVERIFY(clock.elapsed() < 2000); // not awaited

    bool sawItRunning = false;
    qint64 pid = 0;
    setModalHook([&](Form &note) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(disc.filePath("pid")), 5000);
        QFile file(disc.filePath("pid"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        pid = file.readAll().trimmed().toLongLong();
        sawItRunning = pid > 0 && ::kill(pid_t(pid), 0) == 0;
        player::press(note, QStringLiteral("Enter"));
    });
    frmAcrobat->MyNewBox("Before playing the game configure your sound.", True);
    if (pid > 0)
        ::kill(pid_t(pid), SIGTERM);
    QVERIFY(sawItRunning);
}

QTEST_MAIN(LauncherTest)
#include "tst_launcher.moc"
