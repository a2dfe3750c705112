// The Trenchmoor setup launcher, started from the root of the game's CD.
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    startup::installMessageHandler();
    startup::QtArguments qt = startup::prepareQt(argc > 0 ? argv[0] : nullptr);
    QApplication app(qt.argc, qt.argv);
    return startup::runLauncher();
}
