// Qt's own messages: fatal ones and a lost display end the program with the
// engine's one line; the rest stay off a player's terminal.
#include "qtport.h"

#include "forms/core/errors.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>

namespace qtport {

namespace {

bool verbose = false;

QString &lastWarning()
{
    static QString text;
    return text;
}

// Set once the window system is up and the port installed.
bool windowSystemUp()
{
    return engine::hasPort();
}

[[noreturn]] void endWith(int number, const QString &description)
{
    engine::failWithoutDisplay(engine::RuntimeError(number, description.simplified().toStdString()));
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        const QString detail = lastWarning().isEmpty() ? message : lastWarning();
        if (!windowSystemUp())
            endWith(engine::err::NoDisplay, QStringLiteral("Cannot open the display (%1)").arg(detail.simplified()));
        endWith(engine::err::Internal, detail);
    }
    // The display went away under a waiting dialog: end at once, with our own line.
    if (windowSystemUp() && message.contains(QLatin1String("connection broke")))
        endWith(engine::err::NoDisplay, QStringLiteral("The display was lost (%1)").arg(message.simplified()));
    // Until the window system is up, warnings only explain a fatal message that may follow.
    if (!windowSystemUp()) {
        if ((type == QtWarningMsg || type == QtCriticalMsg) && lastWarning().isEmpty())
            lastWarning() = message;
        return;
    }
    // Qt's own notes are for developers: a player's terminal stays quiet.
    if (verbose) {
        const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
        std::fputs(text.constData(), stderr);
    }
}

} // namespace

void installMessageHandler(bool showQtNotes)
{
    verbose = showQtNotes;
    qInstallMessageHandler(handleMessage);
}

} // namespace qtport
