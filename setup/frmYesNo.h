// The confirmation of a refusal, and the message dialog of MyMsgBox.
#pragma once

#include "messagedialog.h"

class FrmYesNo : public MessageDialog {
public:
    FrmYesNo();

private:
    void command1_Click();
    void command2_Click();
    void command3_Click();
};

extern engine::DefaultInstance<FrmYesNo> frmYesNo;
