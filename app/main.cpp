// The Trenchmoor setup launcher, started from the root of the game's CD.
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    startup::openStandardStreams();
    startup::enterProgramFolder();
    startup::installMessageHandler();
    QApplication app(argc, argv);
    return startup::runLauncher();
}
