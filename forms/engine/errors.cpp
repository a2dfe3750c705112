#include "errors.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <unistd.h>

namespace engine {

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(message().toLocal8Bit())
{
}

QString RuntimeError::message() const
{
    return QStringLiteral("Run-time error '%1': %2").arg(m_number).arg(m_description);
}

void raise(int number, const QString &description)
{
    throw RuntimeError(number, description);
}

namespace {

// A platform that shows nothing to anybody (tests, headless runs) gets no box.
bool canShowMessageBox()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

void fail(const RuntimeError &error)
{
    static bool failing = false;
    const QByteArray line = "Trenchmoor Setup: " + error.message().toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    if (!failing && canShowMessageBox()) {
        failing = true;
        QMessageBox::critical(nullptr, QStringLiteral("Trenchmoor Setup"), error.message());
    }
    std::fflush(stdout);
    ::_exit(1);
}

} // namespace engine
