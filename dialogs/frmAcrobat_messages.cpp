// The welcome form's procedures that show the setup's messages and load its
// closing screen.
#include "dialogs/frmNewBox.h"
#include "dialogs/frmYesNo.h"
#include "setup/frmAcrobat.h"

using namespace engine;

namespace {

// Loads the dialog fresh, puts the text in, chooses OK alone or Yes and No,
// places it where the setup's dialogs open and shows it until it is unloaded.
void showMessage(MessageDialog &D, const QString &strMessage, Boolean blnokbutton, Long left, Long top)
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

void FrmAcrobat::MyMsgBox(const QString &strMessage, Boolean blnokbutton)
{
    showMessage(frmYesNo.get(), strMessage, blnokbutton, lngLeft, lngTop);
}

void FrmAcrobat::MyNewBox(const QString &strMessage, Boolean blnokbutton)
{
    showMessage(frmNewBox.get(), strMessage, blnokbutton, lngLeft, lngTop);
}

void FrmAcrobat::myForm(Form &frmOption)
{
    frmOption.Load();
}
