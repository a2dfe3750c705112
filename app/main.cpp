// The Trenchmoor setup launcher, started from the root of the game's CD: the
// launcher on the Qt port of the forms engine.
#include "posixstart.h"

#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "forms/qt/fonts.h"
#include "forms/qt/pictures.h"
#include "forms/qt/qtport.h"
#include "setup/frmAcrobat.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    posixstart::openStandardStreams();
    posixstart::enterFolder(qtport::programFolder());
    // Qt's own diagnostics only on request: a player's terminal stays quiet.
    qtport::installMessageHandler(qEnvironmentVariableIsSet("TRENCHMOOR_QT_MESSAGES"));
    engine::App.setTitle("Trenchmoor Setup");
    qtport::QtArguments qt = qtport::prepareQt(argc > 0 ? argv[0] : nullptr);
    QApplication app(qt.argc, qt.argv);
    qtport::install();
    const qtport::FontDatabaseBuilder fonts;
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
