#include "forms.h"

namespace definitions {

using namespace engine;

const FormDef &frmAcrobat()
{
    static const FormDef form{
        .name = "frmAcrobat",
        .caption = "Welcome to Trenchmoor Setup",
        .backColor = systemButtonFace,
        .foreColor = black,
        .borderStyle = BorderStyle::FixedSingle,
        .windowState = WindowState::Maximized,
        .controlBox = true, .maxButton = true, .minButton = true, .showInTaskbar = true,
        .iconKind = IconKind::Picture,
        .icon = {"setup.ico", "Setup icon"},
        .picture = {"backdrop.bmp", "Welcome backdrop"},
        .clientLeft = 2445, .clientTop = 3000, .clientWidth = 8325, .clientHeight = 7095,
        .startUpPosition = 0,
        .controls = {
            {.kind = ControlKind::Image, .name = "Image2",
             .left = 360, .top = 360, .width = 3255, .height = 4170,
             .picture = {"cover.jpg", "Trenchmoor game cover"},
             .stretch = true},
            {.kind = ControlKind::Image, .name = "Image1",
             .left = 0, .top = 0, .width = 8325, .height = 7095,
             .picture = {"welcome.jpg", "Welcome to Trenchmoor"},
             .stretch = true},
        },
    };
    return form;
}

} // namespace definitions
