#include "frmMsgBox.h"

#include "frmYesNo.h"
#include "forms.h"
#include "frmAcrobat.h"
#include "placement.h"

using namespace engine;

engine::DefaultInstance<FrmMsgBox> frmMsgBox{"frmMsgBox"};

FrmMsgBox::FrmMsgBox() : Form(definitions::frmMsgBox())
{
    onClick(Command2, [this] { command2_Click(); });
    onClick(Command1, [this] { command1_Click(); });
}

// Yes: install the reader.
void FrmMsgBox::command2_Click()
{
    frmAcrobat->blnAcrobat = True;
    Unload();
}

// No: ask for confirmation over the place where the offer was put; the offer
// closes only if the player confirms.
void FrmMsgBox::command1_Click()
{
    const Single offerWidth = Width();
    const Single confirmationWidth = frmYesNo->Width();
    frmYesNo->setLeft(placement::centredOver(frmAcrobat->lngLeft, offerWidth, confirmationWidth));
    const Single offerHeight = Height();
    const Single confirmationHeight = frmYesNo->Height();
    frmYesNo->setTop(placement::centredOver(frmAcrobat->lngTop, offerHeight, confirmationHeight));
    frmYesNo->Show(1, this);
    if (frmAcrobat->blnResult == True)
        Unload();
}
