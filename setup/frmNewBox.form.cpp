#include "forms.h"

namespace definitions {

using namespace engine;

const FormDef &frmNewBox()
{
    static const FormDef form{
        .name = "frmNewBox",
        .caption = "Trenchmoor Setup ",
        .backColor = darkBlue,
        .borderStyle = BorderStyle::FixedSingle,
        .windowState = WindowState::Normal,
        .controlBox = false, .maxButton = false, .minButton = false, .showInTaskbar = false,
        .iconKind = IconKind::None,
        .clientLeft = 8175, .clientTop = 6030, .clientWidth = 4170, .clientHeight = 1890,
        .startUpPosition = 0,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command3",
             .left = 1560, .top = 1320, .width = 1215, .height = 375,
             .caption = "&OK", .tabIndex = 2, .visible = false},
            {.kind = ControlKind::CommandButton, .name = "Command1",
             .left = 2400, .top = 1320, .width = 1215, .height = 375,
             .caption = "&Yes", .tabIndex = 0, .isDefault = true},
            {.kind = ControlKind::CommandButton, .name = "Command2",
             .left = 600, .top = 1320, .width = 1215, .height = 375,
             .caption = "&No", .tabIndex = 1, .isCancel = true},
            {.kind = ControlKind::Label, .name = "Label1",
             .left = 480, .top = 240, .width = 3615, .height = 975,
             .caption = "To view the electronic manual double click on MANUAL.PDF  "
                         "in the root directory of your CD-ROM.",
             .foreColor = orange, .backColor = darkBlue, .backStyle = BackStyle::Opaque,
             .font = {"MS Sans Serif", 9.75, 400}, .tabIndex = 3},
        },
    };
    return form;
}

} // namespace definitions
