#include "frmAcrobat.h"

#include "forms.h"
#include "frmMsgBox.h"
#include "frmNewBox.h"
#include "frmOption.h"
#include "frmYesNo.h"
#include "mdlMain.h"
#include "placement.h"

#include "forms/core/screen.h"

using namespace engine;

engine::DefaultInstance<FrmAcrobat> frmAcrobat{"frmAcrobat"};

namespace {

const std::string manualNote =
    "To view the electronic manual double click on MANUAL.PDF  in the root directory of your CD-ROM.";
const std::string gameQuestion = "Would you like to install the game?";
const std::string soundNote = "Before playing the game configure             your sound by launching         "
                              "C:\\TRENCH\\ INSTALL.EXE [Default]         and choose the CONFIGURE option.";

// Loads the dialog fresh, puts the text in, chooses OK alone or Yes and No,
// places it where the setup's dialogs open and shows it until it is unloaded.
void showMessage(MessageDialog &D, const std::string &strMessage, Boolean blnokbutton, Long left, Long top)
{
    D.Load();
    D.Label1->setCaption(strMessage);
    if (blnokbutton != False) {
        D.Command1->setVisible(False);
        D.Command2->setVisible(False);
        D.Command3->setVisible(True);
    }
    D.setLeft(CSng(left));
    D.setTop(CSng(top));
    D.Show(1);
}

} // namespace

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
    const std::string readerName = "Acrobat\\Setup.exe";
    const std::string gameName = "Tallset.exe";
    const std::string strReaderSetup = placement::installerPath(App.Path(), readerName);
    const std::string strGameSetup = placement::installerPath(App.Path(), gameName);

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
    MyMsgBox(manualNote, True);
    MyNewBox(gameQuestion, False);
    if (blnResult == True)
        StartInstaller(strGameSetup, gameName);
    MyNewBox(soundNote, True);

    myForm(frmOption.get());
}

// Starts an installer without waiting for it; a start that fails is reported.
void FrmAcrobat::StartInstaller(const std::string &path, const std::string &shownName)
{
    if (mdlMain::WinExec(path, mdlMain::SW_SHOWMAXIMIZED) > 31)
        return;
    const std::string reason = mdlMain::LastExecError();
    MyNewBox("Setup could not start " + shownName + " from your CD-ROM: "
                 + (reason.empty() ? std::string("the start failed") : reason) + ".",
             True);
}

void FrmAcrobat::MyMsgBox(const std::string &strMessage, Boolean blnokbutton)
{
    showMessage(frmYesNo.get(), strMessage, blnokbutton, lngLeft, lngTop);
}

void FrmAcrobat::MyNewBox(const std::string &strMessage, Boolean blnokbutton)
{
    showMessage(frmNewBox.get(), strMessage, blnokbutton, lngLeft, lngTop);
}

void FrmAcrobat::myForm(Form &frmOption)
{
    frmOption.Load();
}
