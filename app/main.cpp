// The Trenchmoor setup launcher, started from the root of the game's CD: the
// launcher on the Qt port of the forms engine.
#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "forms/qt/pictures.h"
#include "forms/qt/qtport.h"
#include "setup/frmAcrobat.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // Qt's own diagnostics only on request: a player's terminal stays quiet.
    qtport::installMessageHandler(qEnvironmentVariableIsSet("TRENCHMOOR_QT_MESSAGES"));
    engine::App.setTitle("Trenchmoor Setup");
    QApplication app(argc, argv);
    qtport::install();
    QApplication::setApplicationName(QStringLiteral("Trenchmoor Setup"));
    QApplication::setDesktopFileName(QStringLiteral("trenchmoor-setup"));
    int status = 0;
    engine::guarded([&] {
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(qtport::decodePicture("setup.ico", "Setup icon"))));
        status = engine::run(frmAcrobat.get());
    });
    engine::resetForTesting();
    return status;
}
