#include "forms.h"

namespace definitions {

using namespace engine;

const FormDef &frmOption()
{
    static const FormDef form{
        .name = "frmOption",
        .caption = "Range of our products",
        .backColor = systemWindowBackground,
        .borderStyle = BorderStyle::None,
        .windowState = WindowState::Maximized,
        .controlBox = false, .maxButton = false, .minButton = false, .showInTaskbar = false,
        .iconKind = IconKind::None,
        .clientLeft = 4545, .clientTop = 2910, .clientWidth = 8235, .clientHeight = 6630,
        .startUpPosition = 0,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command1",
             .left = 6720, .top = 6000, .width = 1215, .height = 375,
             .caption = "&Finish", .tabIndex = 0, .isDefault = true,
             .toolTipText = "Enjoy the game!"},
            {.kind = ControlKind::Image, .name = "Image1",
             .left = 0, .top = 0, .width = 12000, .height = 9000,
             .picture = {"range.jpg", "Range of our products"},
             .stretch = true},
        },
    };
    return form;
}

} // namespace definitions
