// The five forms of the launcher, as data.
#pragma once

#include "forms/core/formdef.h"

namespace definitions {

const engine::FormDef &frmAcrobat();  // the full-screen welcome screen
const engine::FormDef &frmMsgBox();   // the offer to install Acrobat Reader
const engine::FormDef &frmYesNo();    // confirmation and message dialog
const engine::FormDef &frmNewBox();   // game-install question and message dialog
const engine::FormDef &frmOption();   // the full-screen product range screen

// Colours of the dialogs.
inline constexpr engine::Colour darkBlue = engine::rgb(0, 0, 64);
inline constexpr engine::Colour orange = engine::rgb(255, 128, 0);

} // namespace definitions
