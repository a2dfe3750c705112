// The game-install question, and the message dialog of MyNewBox.
#pragma once

#include "messagedialog.h"

class FrmNewBox : public MessageDialog {
public:
    FrmNewBox();

private:
    void command1_Click();
    void command2_Click();
    void command3_Click();
};

extern engine::DefaultInstance<FrmNewBox> frmNewBox;
