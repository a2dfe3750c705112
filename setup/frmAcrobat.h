// The welcome screen, the startup form. Its load handler drives the whole
// setup; it carries the answers and the dialog position the dialogs share, and
// the procedures that show the setup's messages.
#pragma once

#include "forms/core/defaultinstance.h"

#include <string>

class FrmAcrobat : public engine::Form {
public:
    FrmAcrobat();

    // Shared with the dialogs.
    engine::Boolean blnAcrobat = engine::False; // the player chose to install Acrobat Reader
    engine::Boolean blnResult = engine::False;  // answer to the latest Yes/No question
    engine::Long lngLeft = 0;                   // where the dialogs open, in twips
    engine::Long lngTop = 0;

    void RunSetup();
    void MyMsgBox(const std::string &strMessage, engine::Boolean blnokbutton);
    void MyNewBox(const std::string &strMessage, engine::Boolean blnokbutton);
    void myForm(engine::Form &frmOption);

    ControlRef<engine::Image> Image1{this, "Image1"};
    ControlRef<engine::Image> Image2{this, "Image2"};

protected:
    void Form_Load() override;

private:
    void StartInstaller(const std::string &path, const std::string &shownName);
};

extern engine::DefaultInstance<FrmAcrobat> frmAcrobat;
