#include "forms.h"

namespace definitions {

using namespace engine;

const FormDef &frmMsgBox()
{
    static const FormDef form{
        .name = "frmMsgBox",
        .caption = "Acrobat Reader Setup  (recommended)",
        .backColor = darkBlue,
        .borderStyle = BorderStyle::FixedSingle,
        .windowState = WindowState::Normal,
        .controlBox = false, .maxButton = false, .minButton = false, .showInTaskbar = false,
        .iconKind = IconKind::EngineDefault,
        .clientLeft = 8130, .clientTop = 9510, .clientWidth = 5565, .clientHeight = 2580,
        .startUpPosition = 0,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command2",
             .left = 3960, .top = 2040, .width = 1095, .height = 375,
             .caption = "&Yes", .tabIndex = 2, .isDefault = true},
            {.kind = ControlKind::CommandButton, .name = "Command1",
             .left = 2640, .top = 2040, .width = 1095, .height = 375,
             .caption = "&No", .tabIndex = 3, .isCancel = true},
            {.kind = ControlKind::Image, .name = "Image1",
             .left = 360, .top = 240, .width = 1305, .height = 1380,
             .picture = {"reader.bmp", "Document reader"},
             .stretch = true},
            {.kind = ControlKind::Label, .name = "Label1",
             .left = 2280, .top = 960, .width = 3135, .height = 855,
             .caption = "This program will enable you to view the full electronic manual "
                         "for the game you are about to install.",
             .foreColor = orange, .backStyle = BackStyle::Transparent,
             .font = {"MS Sans Serif", 9.75, 400}, .tabIndex = 1},
            {.kind = ControlKind::Label, .name = "lblMessage",
             .left = 2280, .top = 240, .width = 3135, .height = 855,
             .caption = "Would you like to install  Acrobat Reader ?",
             .foreColor = orange, .backStyle = BackStyle::Transparent,
             .font = {"Arial", 12.75, 700}, .tabIndex = 0},
        },
    };
    return form;
}

} // namespace definitions
