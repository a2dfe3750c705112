// The offer to install Acrobat Reader.
#pragma once

#include "forms/core/defaultinstance.h"

class FrmMsgBox : public engine::Form {
public:
    FrmMsgBox();

    ControlRef<engine::CommandButton> Command2{this, "Command2"}; // Yes
    ControlRef<engine::CommandButton> Command1{this, "Command1"}; // No

private:
    void command2_Click();
    void command1_Click();
};

extern engine::DefaultInstance<FrmMsgBox> frmMsgBox;
