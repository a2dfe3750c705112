#include "frmNewBox.h"

#include "forms.h"
#include "frmAcrobat.h"

using namespace engine;

engine::DefaultInstance<FrmNewBox> frmNewBox{"frmNewBox"};

FrmNewBox::FrmNewBox() : MessageDialog(definitions::frmNewBox())
{
    onClick(Command1, [this] { command1_Click(); });
    onClick(Command2, [this] { command2_Click(); });
    onClick(Command3, [this] { command3_Click(); });
}

// Yes
void FrmNewBox::command1_Click()
{
    Unload();
    frmAcrobat->blnResult = True;
}

// No
void FrmNewBox::command2_Click()
{
    frmAcrobat->blnResult = False;
    Unload();
}

// OK
void FrmNewBox::command3_Click()
{
    Unload();
}
