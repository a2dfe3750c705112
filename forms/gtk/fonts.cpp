#include "fonts.h"

#include "gtkport.h"

#include <cctype>
#include <map>
#include <string>

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

namespace gtkport {

namespace {

std::string lower(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether fontconfig knows a face of exactly this family (not a substitute).
bool listed(const std::string &family)
{
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet *found = FcFontList(nullptr, pattern, objects);
    bool has = false;
    for (int i = 0; found && i < found->nfont && !has; ++i) {
        FcChar8 *name = nullptr;
        for (int n = 0; FcPatternGetString(found->fonts[i], FC_FAMILY, n, &name) == FcResultMatch; ++n)
            has = has || lower(reinterpret_cast<const char *>(name)) == lower(family);
    }
    if (found)
        FcFontSetDestroy(found);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return has;
}

// The same, asked once per family: the dialogs' labels ask again and again.
bool systemHas(const std::string &family)
{
    static std::map<std::string, bool> known;
    const auto found = known.find(family);
    if (found != known.end())
        return found->second;
    return known[family] = listed(family);
}

// Gives fontconfig the program's own Liberation Sans where the system has none.
void settleFaces()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (systemHas("Liberation Sans"))
        return;
    const std::string folder = programFolder();
    bool added = false;
    for (const char *place : {"/linux/fonts/", "/fonts/"}) {
        for (const char *file : {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"}) {
            const std::string path = folder + place + file;
            added = FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8 *>(path.c_str())) || added;
        }
        if (added)
            break;
    }
    if (added) {
        if (PangoFontMap *map = pango_cairo_font_map_get_default(); PANGO_IS_FC_FONT_MAP(map))
            pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
    }
}

} // namespace

PangoFontDescription *fontFor(const engine::FontDef &font)
{
    settleFaces();
    PangoFontDescription *description = pango_font_description_new();
    std::string family = "Liberation Sans";
    if (!font.face.empty() && systemHas(font.face))
        family = font.face;
    pango_font_description_set_family(description, family.c_str());
    // A label without a font of its own takes the engine's default: 8 points.
    const double points = font.points > 0 ? font.points : 8;
    pango_font_description_set_size(description, int(points * PANGO_SCALE + 0.5));
    pango_font_description_set_weight(description, font.weight >= 700 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    return description;
}

} // namespace gtkport
