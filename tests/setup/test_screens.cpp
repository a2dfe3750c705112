// The whole setup on screens of many sizes, worked out by hand from the fit
// and placement rules: the fitted cover, the dialogs' shared place and the
// offer's outer corner in pixels. On every screen each dialog keeps to it, and
// "Finish" stands 30 pixels inside the product range screen's corner.
#include "player.h"

#include "forms/core/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/frmOption.h"

#include <doctest/doctest.h>

using namespace engine;

namespace {

struct Rect {
    int x, y, width, height;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool contains(const Rect &r) const
    {
        return r.x >= x && r.y >= y && r.right() <= right() && r.bottom() <= bottom();
    }
    bool intersects(const Rect &r) const
    {
        return r.x < right() && x < r.right() && r.y < bottom() && y < r.bottom();
    }
};

Rect outerRect(Form &form)
{
    const int x = toPixelsX(form.Left()), y = toPixelsY(form.Top());
    return {x, y, toPixelsX(double(form.Left()) + form.Width()) - x, toPixelsY(double(form.Top()) + form.Height()) - y};
}

Rect pixels(const Control &control)
{
    const PixelRect r = control.pixelRect();
    return {r.x, r.y, r.width, r.height};
}

// Controls inside the window's client area; buttons apart.
void checkControls(Form &dialog)
{
    const fake::FakeWindow &window = fake::windowOf(dialog);
    const Rect client{0, 0, window.rect.width, window.rect.height};
    std::vector<Rect> buttons;
    for (Control *control : dialog.controls()) {
        if (!control->Visible())
            continue;
        CAPTURE(control->name());
        CHECK(client.contains(pixels(*control)));
        if (control->definition().kind != ControlKind::CommandButton)
            continue;
        for (const Rect &other : buttons)
            CHECK(!other.intersects(pixels(*control)));
        buttons.push_back(pixels(*control));
    }
}

} // namespace

TEST_CASE("the setup on screens of every shape")
{
    struct Row {
        int width, height, dotsPerInch; // the screen in pixels
        float coverWidth, coverHeight;  // twips
        Long lngLeft, lngTop;           // twips
        int offerX, offerY;             // pixels
    };
    const Row rows[] = {
        {320, 240, 96, 1876.7568f, 2115.8562f, 0, 435, 0, 29},     // wider than the screen: left edge
        {555, 473, 96, 3255, 4170, 2490, 3814, 166, 254},          // the design size: nothing scales
        {640, 480, 96, 3753.5137f, 4231.7124f, 3765, 3892, 251, 259}, // moved in from the right
        {800, 600, 96, 4691.8916f, 5289.6406f, 5412, 5242, 361, 349},
        {800, 600, 120, 3753.5137f, 4231.7124f, 3819, 3936, 318, 328}, // 12 twips a pixel
        {960, 540, 96, 5630.2705f, 4760.6763f, 6350, 4567, 423, 304},   // 1920x1080 at scale 2
        {1280, 720, 96, 7507.0273f, 6347.5684f, 8227, 6592, 548, 439},  // 1920x1080 at scale 1.5
        {1280, 1024, 96, 7507.0273f, 9027.6533f, 8227, 10012, 548, 667},
        {1440, 900, 96, 8445.4053f, 7934.4609f, 9165, 8617, 611, 574},  // centred top 5242.5 rounds to 5242 first
        {1536, 864, 96, 9008.4326f, 7617.0825f, 9728, 8212, 649, 547},  // 1920x1080 at scale 1.25
        {1920, 1080, 96, 11260.541f, 9521.3525f, 11981, 10642, 799, 709},
        {2560, 1080, 96, 15014.055f, 9521.3525f, 15734, 10642, 1049, 709},
        {3440, 1440, 96, 20175.135f, 12695.137f, 20895, 14692, 1393, 979},
        {1080, 1920, 96, 6334.0542f, 16926.85f, 7054, 20092, 470, 1339},
        {7680, 4320, 96, 45042.164f, 38085.41f, 45762, 47092, 3051, 3139},
    };
    for (const Row &row : rows) {
        CAPTURE(row.width);
        CAPTURE(row.height);
        CAPTURE(row.dotsPerInch);
        fake::FakePort port;
        port.metrics = {row.width, row.height, double(row.dotsPerInch), double(row.dotsPerInch)};
        const Rect screen{0, 0, row.width, row.height};
        Rect offer{};
        player::Run run({"offer: Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter", "sound: Enter"});
        run.check = [&](Form &dialog) {
            CHECK(fake::windowOf(dialog).modal);
            checkControls(dialog);
            const Rect outer = outerRect(dialog);
            CAPTURE(outer.x);
            CAPTURE(outer.y);
            CHECK(outer.x >= 0);
            CHECK(outer.y >= 0);
            if (dialog.name() == "frmMsgBox") {
                // The welcome screen waits behind, filling the screen; the
                // cover keeps its corner and grows.
                CHECK(fake::windowOf(frmAcrobat.get()).visible);
                CHECK(pixels(*frmAcrobat->Image1).width == row.width);
                CHECK(pixels(*frmAcrobat->Image1).height == row.height);
                CHECK(frmAcrobat->Image2->Left() == 360);
                CHECK(frmAcrobat->Image2->Top() == 360);
                CHECK(frmAcrobat->Image2->Width() == row.coverWidth);
                CHECK(frmAcrobat->Image2->Height() == row.coverHeight);
                CHECK(frmAcrobat->lngLeft == row.lngLeft);
                CHECK(frmAcrobat->lngTop == row.lngTop);
                CHECK(fake::windowOf(dialog).rect.x == row.offerX);
                CHECK(fake::windowOf(dialog).rect.y == row.offerY);
                // At least 10 pixels inside the right and bottom edges where
                // it fits; at the left or top edge where it does not.
                if (outer.width + 10 <= row.width)
                    CHECK(outer.right() <= row.width - 10);
                else
                    CHECK(outer.x == 0);
                if (outer.height + 10 <= row.height)
                    CHECK(outer.bottom() <= row.height - 10);
                else
                    CHECK(outer.y == 0);
                offer = outer;
            } else if (player::shownText(dialog).rfind("Without viewing", 0) == 0) {
                CHECK(offer.contains(outer)); // on screen whenever the offer is
            } else {
                CHECK(outer.x == offer.x); // where the offer opened
                CHECK(outer.y == offer.y);
            }
            if (screen.contains(offer))
                CHECK(screen.contains(outer));
        };
        run.play();

        // The product range screen: the picture covers the screen, Finish
        // stands 30 pixels inside its bottom-right corner, and ends the run.
        REQUIRE(frmOption->isLoaded());
        CHECK(pixels(*frmOption->Image1).width == row.width);
        CHECK(pixels(*frmOption->Image1).height == row.height);
        const Rect finish = pixels(*frmOption->Command1);
        CHECK(finish.right() == row.width - 30);
        CHECK(finish.bottom() == row.height - 30);
        player::act(frmOption.get(), "click:Finish");
        CHECK(loadedForms().empty());
    }
}
