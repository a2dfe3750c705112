#include "frmYesNo.h"

#include "forms.h"
#include "frmAcrobat.h"

using namespace engine;

engine::DefaultInstance<FrmYesNo> frmYesNo{"frmYesNo"};

FrmYesNo::FrmYesNo() : MessageDialog(definitions::frmYesNo())
{
    onClick(Command1, [this] { command1_Click(); });
    onClick(Command2, [this] { command2_Click(); });
    onClick(Command3, [this] { command3_Click(); });
}

// Yes: the reader is not to be installed.
void FrmYesNo::command1_Click()
{
    Unload();
    frmAcrobat->blnAcrobat = False;
    frmAcrobat->blnResult = True;
}

// No
void FrmYesNo::command2_Click()
{
    frmAcrobat->blnResult = False;
    Unload();
}

// OK
void FrmYesNo::command3_Click()
{
    Unload();
}
