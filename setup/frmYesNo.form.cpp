#include "forms.h"

namespace definitions {

using namespace engine;

const FormDef &frmYesNo()
{
    // The run of blanks carries the question onto a line of its own.
    static const std::string confirmation = std::string("Without viewing the manual you may find  it difficult to play the game.")
        + std::string(116, ' ') + "Are you sure you DO NOT wish to install? ";
    static const FormDef form{
        .name = "frmYesNo",
        .caption = "Acrobat Reader Setup  (recommended)",
        .backColor = darkBlue,
        .borderStyle = BorderStyle::FixedSingle,
        .windowState = WindowState::Normal,
        .controlBox = false, .maxButton = false, .minButton = false, .showInTaskbar = false,
        .iconKind = IconKind::EngineDefault,
        .clientLeft = 8160, .clientTop = 8445, .clientWidth = 4170, .clientHeight = 1890,
        .startUpPosition = 0,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command2",
             .left = 840, .top = 1440, .width = 1215, .height = 375,
             .caption = "&No", .tabIndex = 0, .isCancel = true},
            {.kind = ControlKind::CommandButton, .name = "Command1",
             .left = 2280, .top = 1440, .width = 1215, .height = 375,
             .caption = "&Yes", .tabIndex = 1, .isDefault = true},
            {.kind = ControlKind::CommandButton, .name = "Command3",
             .left = 1440, .top = 1440, .width = 1215, .height = 375,
             .caption = "&OK", .tabIndex = 2, .visible = false},
            {.kind = ControlKind::Label, .name = "Label1",
             .left = 360, .top = 240, .width = 3735, .height = 975,
             .caption = confirmation,
             .foreColor = orange, .backStyle = BackStyle::Transparent,
             .font = {"MS Sans Serif", 9.75, 400}, .tabIndex = 3},
        },
    };
    return form;
}

} // namespace definitions
