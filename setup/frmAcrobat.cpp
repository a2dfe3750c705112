#include "frmAcrobat.h"

#include "dialogs/frmMsgBox.h"
#include "dialogs/frmOption.h"
#include "forms/definitions/definitions.h"
#include "forms/engine/screen.h"
#include "mdlMain.h"
#include "placement.h"

using namespace engine;

engine::DefaultInstance<FrmAcrobat> frmAcrobat;

namespace setupTexts {
const QString manualNote = QStringLiteral(
    "To view the electronic manual double click on MANUAL.PDF  in the root directory of your CD-ROM.");
const QString gameQuestion = QStringLiteral("Would you like to install the game?");
const QString soundNote = QStringLiteral(
    "Before playing the game configure             your sound by launching         "
    "C:\\TRENCH\\ INSTALL.EXE [Default]         and choose the CONFIGURE option.");
} // namespace setupTexts

FrmAcrobat::FrmAcrobat() : Form(definitions::frmAcrobat()) {}

void FrmAcrobat::Form_Load()
{
    // Both factors come from the background's design size, before it changes.
    const placement::FitFactors factor =
        placement::fitFactors(Screen.Width(), Screen.Height(), Image1->Width(), Image1->Height());
    Image1->setHeight(Screen.Height());
    Image1->setWidth(Screen.Width());
    // The cover grows with the screen and keeps its place at the top left.
    Image2->setWidth(placement::scaled(Image2->Width(), factor.width));
    Image2->setHeight(placement::scaled(Image2->Height(), factor.height));

    setVisible(True);
    RunSetup();
    Unload();
}

void FrmAcrobat::RunSetup()
{
    const QString readerName = QStringLiteral("Acrobat\\Setup.exe");
    const QString gameName = QStringLiteral("Tallset.exe");
    const QString strReaderSetup = placement::installerPath(App.Path(), readerName);
    const QString strGameSetup = placement::installerPath(App.Path(), gameName);

    const placement::DialogPosition position = placement::dialogPosition({
        .coverLeft = Image2->Left(),
        .coverWidth = Image2->Width(),
        .dialogWidth = frmMsgBox->Width(),
        .dialogHeight = frmMsgBox->Height(),
        .screenWidth = Screen.Width(),
        .screenHeight = Screen.Height(),
        .twipsPerPixelX = Screen.TwipsPerPixelX(),
        .twipsPerPixelY = Screen.TwipsPerPixelY(),
    });
    lngLeft = position.left;
    lngTop = position.top;

    frmMsgBox->setLeft(CSng(lngLeft));
    frmMsgBox->setTop(CSng(lngTop));
    frmMsgBox->Show(1);

    if (blnAcrobat == True)
        StartInstaller(strReaderSetup, readerName);
    MyMsgBox(setupTexts::manualNote, True);
    MyNewBox(setupTexts::gameQuestion, False);
    if (blnResult == True)
        StartInstaller(strGameSetup, gameName);
    MyNewBox(setupTexts::soundNote, True);

    myForm(frmOption.get());
}

// Starts an installer without waiting for it; a start that fails is reported.
void FrmAcrobat::StartInstaller(const QString &path, const QString &shownName)
{
    if (mdlMain::WinExec(path, mdlMain::SW_SHOWMAXIMIZED) > 31)
        return;
    const QString reason = mdlMain::LastExecError();
    MyNewBox(QStringLiteral("Setup could not start %1 from your CD-ROM: %2.")
                 .arg(shownName, reason.isEmpty() ? QStringLiteral("the start failed") : reason),
             True);
}
