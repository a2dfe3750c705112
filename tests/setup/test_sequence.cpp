// The whole setup as a player goes through it: the dialogs in order with their
// texts and places, the installers each path starts, and the product range
// screen at the end.
#include "player.h"

#include "setup/frmAcrobat.h"
#include "setup/frmOption.h"

#include <doctest/doctest.h>

using namespace engine;
using player::Step;

TEST_CASE("every path through the setup")
{
    const std::string reader = "/media/cdrom/Acrobat\\Setup.exe";
    const std::string game = "/media/cdrom/Tallset.exe";
    const Step readerFailed = Step("sound: Enter").saying(
        "Setup could not start Acrobat\\Setup.exe from your CD-ROM: the file is not on the disc.");
    const Step gameFailed = Step("sound: Esc Enter").saying(
        "Setup could not start Tallset.exe from your CD-ROM: the file is not on the disc.");
    struct Row {
        std::string name;
        std::vector<Step> dialogs;
        std::vector<std::string> started;
        std::deque<Long> results; // of the starts; 33 when none is left
    };
    const Row rows[] = {
        {"accept all by keyboard", {"offer: Enter", "manual: Enter", "game: Enter", "sound: Enter"}, {reader, game}},
        {"accept by mouse, game No", {"offer: click:Yes", "manual: click:OK", "game: click:No", "sound: click:OK"}, {reader}},
        {"decline and confirm, game Yes",
         {"offer: Esc", "confirm: Tab Enter", "manual: Space", "game: Alt+Y", "sound: Enter"}, {game}},
        {"decline and confirm, game No clears the confirmed answer",
         {"offer: click:No", "confirm: Alt+Y", "manual: Enter", "game: Esc", "sound: Esc Enter"}, {}},
        {"decline, refuse to confirm, then accept",
         {"offer: Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter", "sound: Enter"}, {reader, game}},
        {"decline, refuse, accept, game No",
         {"offer: Alt+N Alt+Y", "confirm: Esc", "manual: Enter", "game: Alt+N", "sound: Alt+O"}, {reader}},
        {"decline twice then confirm, game No",
         {"offer: Esc Esc", "confirm: click:No", "confirm: click:Yes", "manual: click:OK", "game: click:No",
          "sound: click:OK"}, {}},
        {"decline twice then confirm, game Yes",
         {"offer: Esc click:No", "confirm: Enter", "confirm: Tab Space", "manual: Enter", "game: Enter",
          "sound: Enter"}, {game}},
        // The confirmation centres on where the offer was put, not where it was dragged.
        {"offer dragged, then declined",
         {"offer: drag:120,-80 Esc Enter", "confirm: Enter", "manual: Enter", "game: Enter", "sound: Enter"},
         {reader, game}},
        {"close requests on the offer change nothing",
         {"offer: close Enter", "manual: Enter", "game: Esc", "sound: Enter"}, {reader}},
        {"close requests leave no stale answer for the game",
         {"offer: Esc", "confirm: close Alt+Y", "manual: close Enter", "game: close Esc", "sound: close Enter"}, {}},
        {"reader installer fails", {"offer: Enter", readerFailed, "manual: Enter", "game: Enter", "sound: Enter"},
         {reader, game}, {2}},
        {"game installer fails", {"offer: Enter", "manual: Enter", "game: Enter", gameFailed, "sound: Enter"},
         {reader, game}, {33, 0}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        fake::FakePort port;
        player::Run run(row.dialogs);
        run.results = row.results;
        run.play();
        CHECK(run.started == row.started);

        // 800 x 600: the cover ends at 360 + 4691.8916 twips; a quarter
        // screen below centre. The confirmation is centred over the offer,
        // its fraction kept.
        for (const player::Shown &shown : run.shown) {
            CAPTURE(shown.text);
            const bool confirmation = shown.text.rfind("Without viewing", 0) == 0;
            CHECK(shown.left == (confirmation ? 6109.5f : 5412.f));
            CHECK(shown.top == (confirmation ? 5587.f : 5242.f));
        }

        // The run ends on the product range screen alone; only Finish ends it.
        REQUIRE(loadedForms().size() == 1);
        CHECK(loadedForms().front() == &frmOption.get());
        CHECK(fake::windowOf(frmOption.get()).visible);
        player::act(frmOption.get(), "close");
        player::act(frmOption.get(), "Esc");
        CHECK(frmOption->isLoaded());
        player::act(frmOption.get(), "Enter");
        CHECK(loadedForms().empty());
    }
}

TEST_CASE("the message procedures show the text at the shared place, OK alone or Yes and No")
{
    fake::FakePort port;
    player::Run run({Step("manual: Enter").saying("first"), Step("confirm: Enter").saying("second"),
                     Step("sound: Enter").saying("third"), Step("game: Enter").saying("fourth"),
                     Step("sound: Enter").saying("fifth")});
    frmAcrobat->lngLeft = 1000;
    frmAcrobat->lngTop = 2000;
    frmAcrobat->blnResult = True;
    frmAcrobat->MyMsgBox("first", True);
    frmAcrobat->MyMsgBox("second", False); // Yes and No again after OK alone
    frmAcrobat->MyNewBox("third", True);
    frmAcrobat->MyNewBox("fourth", False);
    frmAcrobat->MyNewBox("fifth", 1); // any value but 0 counts as True
    REQUIRE(run.shown.size() == 5);
    for (const player::Shown &shown : run.shown) {
        CHECK(shown.left == 1000);
        CHECK(shown.top == 2000);
    }
    // Enter pressed No on the confirmation, Yes on the game question; OK
    // left the answer as it was.
    CHECK(frmAcrobat->blnResult == True);
    CHECK(loadedForms().empty());
}
