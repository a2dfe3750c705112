// Starting installers from a disc folder for real: names in any case, blanks
// and odd names, folders whose names are no UTF-8, scripts on discs without
// execute bits, Windows programs, and every way a start can fail, reported
// with its reason.
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "setup/placement.h"
#include "forms/core/screen.h"
#include "support/player.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace engine;

namespace {

// What a stand-in installer records, one line in started.log beside
// `logFolder`: its working folder, its arguments after `skipped` ones, the PWD
// it was given, how many of its files are the test's leak marker, its pid.
QByteArray recorderScript(const QByteArray &logFolder, const QByteArray &skipped)
{
    return "#!/bin/sh\n"
           "leaked=0\n"
           "for fd in /proc/$$/fd/*; do case $(readlink \"$fd\") in */leak-marker) leaked=$((leaked + 1));; esac; done\n"
           "printf '%s|%s|%s|%s|%s\\n' \"$(pwd -P)\" \"$(($# - " + skipped + "))\" "
           "\"$(tr '\\0' '\\n' < /proc/$$/environ | sed -n 's/^PWD=//p')\" \"$leaked\" \"$$\" "
           ">> \"" + logFolder + "/started.log\"\n";
}
const QByteArray recorder = recorderScript("$(dirname \"$0\")", "0");
// Wine as the launcher must call it: the program's path alone.
const QByteArray fakeWine = "#!/bin/sh\n"
                            "[ \"$#\" = 1 ] && [ -f \"$1\" ] || exit 1\n"
                            + recorderScript("$(dirname \"$1\")", "1").mid(10);

std::string str(const QByteArray &bytes) { return bytes.toStdString(); }

bool makePath(const std::string &path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

bool writeFile(const std::string &path, const QByteArray &bytes, mode_t mode)
{
    if (!makePath(path.substr(0, path.rfind('/'))))
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return written && ::chmod(path.c_str(), mode) == 0;
}

// Folders nested past PATH_MAX: made one step at a time from inside.
bool makeDeepFolder(const std::string &base, int levels, std::string &path)
{
    const std::string name(250, 'd');
    int dir = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    path = base;
    for (int i = 0; i < levels && dir >= 0; ++i) {
        ::mkdirat(dir, name.c_str(), 0755);
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
        path += '/' + name;
    }
    if (dir < 0)
        return false;
    ::mkdirat(dir, "Acrobat", 0755);
    const int file = ::openat(dir, "Acrobat/Setup.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0755);
    ::close(dir);
    if (file < 0)
        return false;
    const bool written = ::write(file, recorder.constData(), size_t(recorder.size())) == recorder.size();
    ::close(file);
    return written;
}

QByteArray readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return QByteArray::fromStdString(text.str());
}

std::string realPath(const std::string &path)
{
    char *resolved = ::realpath(path.c_str(), nullptr);
    const std::string result = resolved ? resolved : "";
    std::free(resolved);
    return result;
}

// The launcher runs as if started from `folder` (its bytes, whatever they are).
void setDiscFolder(const std::string &folder)
{
    App.setPathForTesting(folder);
}

// Why the last start failed, for messages and comparisons.
QString lastError()
{
    return QString::fromStdString(mdlMain::LastExecError());
}

// Waits for the stand-in's line in `log` and returns it without its pid.
QByteArray startedLine(const std::string &log, qint64 *pid = nullptr)
{
    QByteArray line;
    (void)QTest::qWaitFor([&] { return (line = readAll(log).trimmed()).size() > 0; }, 5000);
    const int last = line.lastIndexOf('|');
    if (pid && last > 0)
        *pid = line.mid(last + 1).toLongLong();
    return last > 0 ? line.left(last) : line;
}

const QByteArray windowsProgram("MZ\x90\0\3\0\0\0", 8);

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsOrReportsWhy_data();
    void startsOrReportsWhy();
    void readsScriptLinesAsTheKernelDoes_data();
    void readsScriptLinesAsTheKernelDoes();
    void endedProgramsAreReaped();
    void startedProgramRunsWhileTheNextDialogWaits();

private:
    QByteArray m_path;
};

void LauncherTest::init()
{
    // Qt's notes about socket notifiers mean a watched descriptor went wrong.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("[Ss]ocket|[Nn]otifier")));
    m_path = qgetenv("PATH");
}

void LauncherTest::cleanup()
{
    qputenv("PATH", m_path);
    App.setPathForTesting({});
    player::verifyNothingLeft();
}

void LauncherTest::startsOrReportsWhy_data()
{
    QTest::addColumn<QByteArray>("folder");   // the disc's folder name, bytes; "deep": past PATH_MAX
    QTest::addColumn<QString>("files");       // the installer as it lies on the disc ("a;b": two files)
    QTest::addColumn<QString>("asked");       // the name the launcher asks for
    QTest::addColumn<QByteArray>("content");  // "recorder", "elf", "fifo", "dangling" or the bytes
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("path");        // PATH: as it is, "wine" (a stand-in wine first) or "no wine"
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("reason");      // part of the reason for a failed start

    const QByteArray record = "recorder";
    const QByteArray elf = "elf";
    QTest::newRow("as written") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << "" << true << "";
    QTest::newRow("upper-case names") << QByteArray("disc") << "ACROBAT/SETUP.EXE" << "Acrobat\\Setup.exe" << record << true << "" << true << "";
    QTest::newRow("lower-case names") << QByteArray("disc") << "acrobat/setup.exe" << "Acrobat\\Setup.exe" << record << true << "" << true << "";
    QTest::newRow("blanks in the folder") << QByteArray("Trenchmoor CD 1") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << ""
                                          << true << "";
    QTest::newRow("blanks in the name") << QByteArray("disc") << "Acrobat Reader/Setup.exe" << "Acrobat Reader\\Setup.exe" << record << true
                                        << "" << true << "";
    QTest::newRow("non-ASCII folder") << QByteArray("Schützengraben-Ölmühle") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true
                                      << "" << true << "";
    QTest::newRow("Latin-1 folder, no UTF-8") << QByteArray("Sch\xfctzengraben-\xd6lm\xfchle") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe"
                                               << record << true << "" << true << "";
    QTest::newRow("backslash in the folder") << QByteArray("CD\\1") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << ""
                                             << true << "";
    QTest::newRow("200-character folder") << QByteArray(200, 'd') << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << ""
                                          << true << "";
    QTest::newRow("script without execute bit") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << false << ""
                                                << true << "";
    QTest::newRow("program") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << elf << true << "" << true << "";
    QTest::newRow("program without execute bit") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << elf << false << ""
                                                 << false << "permission to run it was refused";
    QTest::newRow("missing") << QByteArray("disc") << "Acrobat/Readme.txt" << "Acrobat\\Setup.exe" << QByteArray("text") << false << ""
                             << false << "the file is not on the disc";
    QTest::newRow("missing folder") << QByteArray("disc") << "Other/Setup.exe" << "Acrobat\\Setup.exe" << record << true << "" << false
                                    << "its folder is not on the disc";
    QTest::newRow("exact-case folder without it, another case with it")
        << QByteArray("disc") << "Acrobat/Readme.txt;ACROBAT/Setup.exe" << "Acrobat\\Setup.exe" << record << true << "" << false
        << "the file is not on the disc";
    QTest::newRow("a folder") << QByteArray("disc") << "Acrobat/Setup.exe/" << "Acrobat\\Setup.exe" << QByteArray() << true << "" << false
                              << "it is a folder, not a program";
    QTest::newRow("a FIFO") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("fifo") << true << ""
                            << false << "it is not a regular file";
    QTest::newRow("dangling link") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("dangling") << true
                                   << "" << false << "it is a link to a file that is not there";
    QTest::newRow("path over PATH_MAX") << QByteArray("deep") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << record << true << ""
                                        << false << "its path is too long";
    QTest::newRow("missing interpreter") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe"
                                         << QByteArray("#!/opt/no-such/sh -e\n") << false << "" << false
                                         << "its interpreter /opt/no-such/sh is not installed";
    QTest::newRow("missing interpreter, execute bit") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe"
                                                      << QByteArray("#!/opt/no-such/sh -e\n") << true << "" << false
                                                      << "its interpreter /opt/no-such/sh is not installed";
    QTest::newRow("zero bytes") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray() << true << "" << false
                                << "the file is empty";
    QTest::newRow("text, not a program") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << QByteArray("Install me!\n")
                                         << true << "" << false << "not a program";
    QTest::newRow("Windows program, no Wine") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << windowsProgram << true
                                              << "no wine" << false << "it is a Windows program and Wine is not installed";
    QTest::newRow("Windows program, Wine") << QByteArray("disc") << "Acrobat/Setup.exe" << "Acrobat\\Setup.exe" << windowsProgram << false
                                           << "wine" << true << "";
}

void LauncherTest::startsOrReportsWhy()
{
    QFETCH(QByteArray, folder);
    QFETCH(QString, files);
    QFETCH(QString, asked);
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    QFETCH(QString, path);
    QFETCH(bool, started);
    QFETCH(QString, reason);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    // QDir cannot remove what is past PATH_MAX or named in no UTF-8.
    struct Remove {
        QString path;
        ~Remove() { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), path}); }
    } remove{root.path()};
    const std::string base = str(QFile::encodeName(root.path()));
    std::string disc = base + '/' + str(folder);
    if (folder == "deep") {
        QVERIFY(makeDeepFolder(base, 17, disc));
        QVERIFY(disc.size() > PATH_MAX);
    } else {
        QVERIFY(makePath(disc));
    }
    for (const QString &file : files.split(QLatin1Char(';'))) {
        const std::string where = disc + '/' + str(file.toUtf8());
        if (folder == "deep")
            break;
        if (file.endsWith(QLatin1Char('/'))) {
            QVERIFY(makePath(where.substr(0, where.size() - 1)));
        } else if (content == "fifo") {
            QVERIFY(makePath(where.substr(0, where.rfind('/'))));
            QCOMPARE(::mkfifo(where.c_str(), 0755), 0);
        } else if (content == "dangling") {
            QVERIFY(makePath(where.substr(0, where.rfind('/'))));
            QCOMPARE(::symlink("Setup-1.0.exe", where.c_str()), 0);
        } else {
            QByteArray bytes = content == "recorder" ? recorder : content;
            if (content == "elf") {
                QFile program(QStringLiteral("/bin/true"));
                QVERIFY(program.open(QIODevice::ReadOnly));
                bytes = program.readAll();
            }
            QVERIFY(writeFile(where, bytes, executable ? 0755 : 0644));
        }
    }
    if (path == QLatin1String("wine")) {
        QVERIFY(writeFile(base + "/bin/wine", fakeWine, 0755));
        qputenv("PATH", QByteArray::fromStdString(base) + "/bin:" + m_path);
    } else if (path == QLatin1String("no wine")) {
        QVERIFY(makePath(base + "/empty"));
        qputenv("PATH", QByteArray::fromStdString(base) + "/empty");
    }
    // A descriptor this process holds open without close-on-exec: no installer may inherit it.
    const int marker = ::open((base + "/leak-marker").c_str(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(marker >= 0);

    setDiscFolder(disc);
    const Long result = mdlMain::WinExec(placement::installerPath(App.Path(), asked.toStdString()), mdlMain::SW_SHOWMAXIMIZED);
    ::close(marker);
    const bool ran = result > 31;
    QVERIFY2(ran == started, qPrintable(lastError()));
    if (!started) {
        QVERIFY2(lastError().contains(reason), qPrintable(lastError()));
        return;
    }
    QVERIFY(lastError().isEmpty());
    if (content == "recorder" || path == QLatin1String("wine")) {
        // In the disc folder, with no arguments, PWD telling that folder, nothing inherited.
        const std::string file = disc + '/' + str(files.toUtf8());
        const QByteArray line = startedLine(file.substr(0, file.rfind('/')) + "/started.log");
        QCOMPARE(line, QByteArray::fromStdString(realPath(disc) + "|0|" + disc + "|0"));
    }
}

void LauncherTest::readsScriptLinesAsTheKernelDoes_data()
{
    // "REC" stands for a program that records its arguments; "LONG<n>" for one
    // of them at a path of n bytes.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QByteArray>("arguments");  // those before the script's path, one a line
    QTest::addColumn<QString>("reason");        // part of the reason when it does not start

    QTest::newRow("interpreter alone") << QByteArray("#!REC\n") << true << QByteArray() << "";
    QTest::newRow("one argument") << QByteArray("#!REC -e\n") << true << QByteArray("-e\n") << "";
    QTest::newRow("blanks before the interpreter") << QByteArray("#!  REC -e\n") << true << QByteArray("-e\n") << "";
    QTest::newRow("tab after the interpreter") << QByteArray("#!REC\t-e\n") << true << QByteArray("-e\n") << "";
    QTest::newRow("blanks inside the argument, kept") << QByteArray("#!REC -e  -x\t y\n") << true << QByteArray("-e  -x\t y\n") << "";
    QTest::newRow("trailing blanks and tabs, removed") << QByteArray("#!REC -e \t \n") << true << QByteArray("-e\n") << "";
    QTest::newRow("line ends with the file") << QByteArray("#!REC -e") << true << QByteArray("-e\n") << "";
    QTest::newRow("argument cut at byte 256") << QByteArray("#!REC " + QByteArray(300, 'a') + "\n") << true << QByteArray("CUT\n") << "";
    QTest::newRow("interpreter of 253 bytes, line of 256") << QByteArray("#!LONG253\n") << true << QByteArray() << "";
    QTest::newRow("interpreter of 254 bytes, cut") << QByteArray("#!LONG254\n") << false << QByteArray()
                                                   << "the name of its interpreter is too long";
    QTest::newRow("CRLF line") << QByteArray("#!REC\r\n") << false << QByteArray() << "carriage return";
    QTest::newRow("no interpreter") << QByteArray("#!  \t\n") << false << QByteArray() << "names no interpreter";
}

// Each line runs twice: from a script without execute bit (the launcher reads
// the line) and with it (the kernel does); both must come out the same.
void LauncherTest::readsScriptLinesAsTheKernelDoes()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, started);
    QFETCH(QByteArray, arguments);
    QFETCH(QString, reason);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const std::string base = str(QFile::encodeName(root.path()));
    // The list appears whole (renamed into place): the test reads it as soon as it is there.
    const QByteArray argumentsRecorder =
        "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.part\" && mv \"$0.part\" \"$0.args\"\n";
    std::string interpreter = base + "/bin/rec";
    const QRegularExpressionMatch longName = QRegularExpression(QStringLiteral("^#!LONG(\\d+)")).match(QString::fromLatin1(line));
    if (longName.hasMatch()) {
        const std::size_t length = longName.captured(1).toUInt();
        interpreter = base + "/bin/";
        while (interpreter.size() + 101 < length)
            interpreter += std::string(99, 'x') + '/';
        interpreter += std::string(length - interpreter.size(), 'r');
        QCOMPARE(interpreter.size(), length);
        line.replace(longName.captured(0).toLatin1(), "#!" + QByteArray::fromStdString(interpreter));
    }
    QVERIFY(writeFile(interpreter, argumentsRecorder, 0755));
    line.replace("REC", QByteArray::fromStdString(interpreter));
    if (arguments == "CUT\n")
        arguments = line.mid(line.indexOf(' ') + 1, 255 - line.indexOf(' ') - 1) + '\n';

    QByteArray outcome[2];
    for (const bool executable : {false, true}) {
        const std::string disc = base + (executable ? "/with-bit" : "/without-bit");
        QVERIFY(writeFile(disc + "/Tallset.exe", line, executable ? 0755 : 0644));
        setDiscFolder(disc);
        const Long result = mdlMain::WinExec(placement::installerPath(App.Path(), "Tallset.exe"), mdlMain::SW_SHOWMAXIMIZED);
        const QString why = lastError();
        QVERIFY2((result > 31) == started, qPrintable(QStringLiteral("execute bit %1: %2").arg(executable).arg(why)));
        if (!started) {
            if (!executable)
                QVERIFY2(why.contains(reason), qPrintable(why));
            outcome[executable] = "not started";
            continue;
        }
        QByteArray recorded;
        (void)QTest::qWaitFor([&] { return !(recorded = readAll(interpreter + ".args")).isEmpty(); }, 5000);
        ::unlink((interpreter + ".args").c_str());
        QVERIFY2(recorded.endsWith(QByteArray::fromStdString(disc) + "/Tallset.exe\n"), recorded.constData());
        recorded.chop(int(disc.size()) + 13);
        QCOMPARE(recorded, arguments);
        outcome[executable] = recorded;
    }
    QCOMPARE(outcome[0], outcome[1]);
}

// A program that ends is reaped while the launcher runs on, also where the
// kernel offers no process descriptors (the test runs a second time so).
void LauncherTest::endedProgramsAreReaped()
{
    QTemporaryDir disc;
    QVERIFY(writeFile(str(QFile::encodeName(disc.filePath("Tallset.exe"))), recorder, 0755));
    setDiscFolder(str(QFile::encodeName(disc.path())));
    for (int round = 0; round < 3; ++round) {
        QFile::remove(disc.filePath("started.log"));
        QVERIFY(mdlMain::WinExec(placement::installerPath(App.Path(), "Tallset.exe"), mdlMain::SW_SHOWMAXIMIZED) > 31);
        qint64 pid = 0;
        startedLine(str(QFile::encodeName(disc.filePath("started.log"))), &pid);
        QVERIFY(pid > 0);
        // Waits in an event loop of its own, as a dialog does, and a while
        // longer once the program is gone.
        const QString entry = QStringLiteral("/proc/%1").arg(pid);
        QEventLoop dialog;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (!QFile::exists(entry))
                QTimer::singleShot(300, &dialog, &QEventLoop::quit);
        });
        poll.start(20);
        QTimer::singleShot(5000, &dialog, &QEventLoop::quit);
        dialog.exec();
        QVERIFY2(!QFile::exists(entry), qPrintable(entry + " stays"));
    }
}

void LauncherTest::startedProgramRunsWhileTheNextDialogWaits()
{
    QTemporaryDir disc;
    QVERIFY(writeFile(str(QFile::encodeName(disc.filePath("Tallset.exe"))),
                      "#!/bin/sh\necho $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 30\n", 0755));
    setDiscFolder(str(QFile::encodeName(disc.path())));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(mdlMain::WinExec(placement::installerPath(App.Path(), "Tallset.exe"), mdlMain::SW_SHOWMAXIMIZED) > 31);
    QVERIFY(clock.elapsed() < 2000); // not awaited

    bool sawItRunning = false;
    qint64 pid = 0;
    setModalHook([&](Form &note) {
        // The shell makes the file before it writes the number and its newline.
        const auto written = [&] {
            QFile file(disc.filePath("pid"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(written().endsWith('\n'), 5000);
        pid = written().trimmed().toLongLong();
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
