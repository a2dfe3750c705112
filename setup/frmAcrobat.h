// The welcome screen, the startup form. Its load handler drives the whole
// setup; it carries the answers and the dialog position the dialogs share.
#pragma once

#include "forms/engine/defaultinstance.h"

class FrmAcrobat : public engine::Form {
public:
    FrmAcrobat();

    // Shared with the dialogs.
    engine::Boolean blnAcrobat = engine::False; // the player chose to install Acrobat Reader
    engine::Boolean blnResult = engine::False;  // answer to the latest Yes/No question
    engine::Long lngLeft = 0;                   // where the dialogs open, in twips
    engine::Long lngTop = 0;

    void RunSetup();
    void MyMsgBox(const QString &strMessage, engine::Boolean blnokbutton);
    void MyNewBox(const QString &strMessage, engine::Boolean blnokbutton);
    void myForm(engine::Form &frmOption);

    ControlRef<engine::Image> Image1{this, QStringLiteral("Image1")};
    ControlRef<engine::Image> Image2{this, QStringLiteral("Image2")};

protected:
    void Form_Load() override;

private:
    void StartInstaller(const QString &path, const QString &shownName);
};

extern engine::DefaultInstance<FrmAcrobat> frmAcrobat;

// The texts of the setup sequence.
namespace setupTexts {
extern const QString manualNote;
extern const QString gameQuestion;
extern const QString soundNote;
} // namespace setupTexts
