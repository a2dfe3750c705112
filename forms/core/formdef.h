// Form definitions as data: window attributes and controls from front to back,
// positions and sizes in twips. A port builds the windows from these. Texts are
// UTF-8.
#pragma once

#include "values.h"

#include <string>
#include <vector>

namespace engine {

struct Colour {
    enum Kind { Rgb, ButtonFace, WindowBackground };
    Kind kind = ButtonFace;
    int red = 0, green = 0, blue = 0;
};
inline constexpr Colour rgb(int r, int g, int b) { return Colour{Colour::Rgb, r, g, b}; }
inline constexpr Colour systemButtonFace{Colour::ButtonFace};
inline constexpr Colour systemWindowBackground{Colour::WindowBackground};
inline constexpr Colour black = rgb(0, 0, 0);

struct FontDef {
    std::string face;   // empty: the port's default font
    double points = 0;  // as stored, e.g. 9.75
    int weight = 400;   // 400 regular, 700 bold
};

// A picture held inside the program: the name of the resource that carries its
// file bytes ("cover.jpg"; each port knows where its resources live), and a few
// words a screen reader can say about it.
struct PictureDef {
    std::string resource;
    std::string description;
    bool isSet() const { return !resource.empty(); }
};

enum class ControlKind { Image, Label, CommandButton };
enum class BackStyle { Transparent = 0, Opaque = 1 };

struct ControlDef {
    ControlKind kind = ControlKind::Label;
    std::string name;
    Single left = 0, top = 0, width = 0, height = 0;
    std::string caption;             // Label, CommandButton
    Colour foreColor = black;        // Label
    Colour backColor = systemButtonFace;
    BackStyle backStyle = BackStyle::Opaque;
    FontDef font;
    int tabIndex = -1;
    bool isDefault = false;          // CommandButton
    bool isCancel = false;
    bool visible = true;
    std::string toolTipText;
    PictureDef picture;              // Image
    bool stretch = false;
};

enum class BorderStyle { None = 0, FixedSingle = 1 };
enum class WindowState { Normal = 0, Maximized = 2 };
enum class IconKind { EngineDefault, None, Picture };

struct FormDef {
    std::string name;
    std::string caption;
    Colour backColor = systemButtonFace;
    Colour foreColor = black;
    BorderStyle borderStyle = BorderStyle::FixedSingle;
    WindowState windowState = WindowState::Normal;
    bool controlBox = true, maxButton = true, minButton = true, showInTaskbar = true;
    IconKind iconKind = IconKind::EngineDefault;
    PictureDef icon;
    PictureDef picture;              // backdrop, drawn unscaled at the top left
    Single clientLeft = 0, clientTop = 0, clientWidth = 0, clientHeight = 0;
    int startUpPosition = 0;         // manual
    std::vector<ControlDef> controls; // front to back
};

} // namespace engine
