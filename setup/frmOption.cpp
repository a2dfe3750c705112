#include "frmOption.h"

#include "forms.h"
#include "forms/core/screen.h"
#include "placement.h"

using namespace engine;

engine::DefaultInstance<FrmOption> frmOption{"frmOption"};

FrmOption::FrmOption() : Form(definitions::frmOption())
{
    onClick(Command1, [this] { command1_Click(); });
}

// The picture covers the screen; "Finish" stands 30 pixels inside its
// bottom-right corner.
void FrmOption::Form_Load()
{
    Image1->setHeight(Screen.Height());
    Image1->setWidth(Screen.Width());
    Command1->setTop(placement::insideEdge(Screen.Height(), Command1->Height(), 30, Screen.TwipsPerPixelY()));
    Command1->setLeft(placement::insideEdge(Screen.Width(), Command1->Width(), 30, Screen.TwipsPerPixelX()));
    setVisible(True);
}

// Finish
void FrmOption::command1_Click()
{
    Unload();
}
