// The closing product range screen; its button ends the program.
#pragma once

#include "forms/core/defaultinstance.h"

class FrmOption : public engine::Form {
public:
    FrmOption();

    ControlRef<engine::Image> Image1{this, "Image1"};
    ControlRef<engine::CommandButton> Command1{this, "Command1"}; // Finish

protected:
    void Form_Load() override;

private:
    void command1_Click();
};

extern engine::DefaultInstance<FrmOption> frmOption;
