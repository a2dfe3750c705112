// Form definitions as data: window attributes and controls from front to back,
// positions and sizes in twips. The engine builds the windows from these.
#pragma once

#include "vbtypes.h"

#include <QString>
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
    QString face;       // empty: the engine's default font
    double points = 0;  // as stored, e.g. 9.75
    int weight = 400;   // 400 regular, 700 bold
};

// A picture held inside the program: the resource that carries its file bytes,
// and a few words a screen reader can say about it.
struct PictureDef {
    QString resource;
    QString description;
    bool isSet() const { return !resource.isEmpty(); }
};

enum class ControlKind { Image, Label, CommandButton };
enum class BackStyle { Transparent = 0, Opaque = 1 };

struct ControlDef {
    ControlKind kind = ControlKind::Label;
    QString name;
    Single left = 0, top = 0, width = 0, height = 0;
    QString caption;                 // Label, CommandButton
    Colour foreColor = black;        // Label
    Colour backColor = systemButtonFace;
    BackStyle backStyle = BackStyle::Opaque;
    FontDef font;
    int tabIndex = -1;
    bool isDefault = false;          // CommandButton
    bool isCancel = false;
    bool visible = true;
    QString toolTipText;
    PictureDef picture;              // Image
    bool stretch = false;
};

enum class BorderStyle { None = 0, FixedSingle = 1 };
enum class WindowState { Normal = 0, Maximized = 2 };
enum class IconKind { EngineDefault, None, Picture };

struct FormDef {
    QString name;
    QString caption;
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
