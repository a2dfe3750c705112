// The form model: loading, default instances, geometry in twips, modal shows,
// the end of the program, close requests, run-time errors at load.
#include "fakeport.h"
#include "testform.h"

#include "forms/core/defaultinstance.h"
#include "forms/core/errors.h"

#include <doctest/doctest.h>

using namespace engine;
using fake::FakePort;
using fake::windowOf;

namespace {

const FormDef frmTest = dialogDefinition("frmTest");
const FormDef frmOne = dialogDefinition("frmOne");
const FormDef frmTwo = dialogDefinition("frmTwo");
const FormDef frmClosable = dialogDefinition("frmClosable", true);

Label &label(Form &form, const std::string &name)
{
    return static_cast<Label &>(*form.control(name));
}

int constructed = 0, loads = 0;

class CountedForm : public TestForm {
public:
    CountedForm() : TestForm(frmTest) { ++constructed; }

protected:
    void Form_Load() override { ++loads; }
};

DefaultInstance<CountedForm> frmCounted("frmTest");

class MissingForm : public Form {
public:
    MissingForm() : Form(frmTest) {}
    ControlRef<Label> lblMessage{this, "lblMessage"};
    ControlRef<Label> lblMissing{this, "lblMissing"};
};

} // namespace

TEST_CASE("a default instance is made once; reading a property loads it hidden")
{
    FakePort port;
    constructed = loads = 0;
    CHECK(!frmCounted.exists());
    CHECK(frmCounted->Width() == 5685.f);
    CHECK(constructed == 1);
    CHECK(loads == 1);
    CHECK(frmCounted->isLoaded());
    CHECK(!windowOf(frmCounted).visible);
    CHECK(frmCounted->Visible() == False);
    CHECK(defaultInstanceNamed("frmTest") == &frmCounted.get());
    CHECK(defaultInstanceNamed("frmNobody") == nullptr);
    CHECK(frmCounted->Caption() == "Test dialog");
    CHECK(constructed == 1);
    CHECK(loads == 1);
    CHECK(loadedForm("frmTest") == &frmCounted.get());
}

TEST_CASE("a reload starts from the definition")
{
    FakePort port;
    TestForm form(frmTest);
    form.Show();
    form.setCaption("Changed");
    form.setLeft(3000);
    label(form, "lblMessage").setCaption("Other text");
    form.control("cmdNo")->setVisible(False);
    form.Unload();
    CHECK(port.windows.empty());
    CHECK(port.controlsAlive == 0);

    CHECK(form.Caption() == "Test dialog");
    CHECK(form.isLoaded());
    CHECK(!windowOf(form).visible);
    CHECK(form.Left() == 940.f);
    CHECK(label(form, "lblMessage").Caption() == "Shall we?");
    CHECK(fake::peerOf(label(form, "lblMessage")).caption == "Shall we?");
    CHECK(form.control("cmdNo")->Visible() == True);
    CHECK(fake::peerOf(*form.control("cmdNo")).visible);
}

TEST_CASE("outer size is the client area and the frame")
{
    enum class Loaded { AfterTheFrame, Ahead, AheadAndPlaced };
    struct Row {
        const char *name;
        std::optional<Frame> learnt; // the frame a window manager drew round an earlier dialog
        BorderStyle border;
        Loaded loaded;
        float left, top, width, height;
        PixelRect pixels; // outer corner, client size
    };
    const Row rows[] = {
        {"engine's frame, 4/25/4/4 pixels", std::nullopt, BorderStyle::FixedSingle, Loaded::AfterTheFrame, 940, 1625,
         5685, 3015, {63, 108, 371, 172}},
        {"frame learnt from a framed dialog", Frame{1, 20, 1, 1}, BorderStyle::FixedSingle, Loaded::AfterTheFrame, 985,
         1700, 5595, 2895, {66, 113, 371, 172}},
        {"no border, no frame", Frame{1, 20, 1, 1}, BorderStyle::None, Loaded::AfterTheFrame, 1000, 2000, 5565, 2580,
         {67, 133, 371, 172}},
        {"loaded ahead, shown after the frame is learnt", Frame{1, 20, 1, 1}, BorderStyle::FixedSingle, Loaded::Ahead,
         985, 1700, 5595, 2895, {66, 113, 371, 172}},
        {"loaded ahead and placed by the program", Frame{1, 20, 1, 1}, BorderStyle::FixedSingle,
         Loaded::AheadAndPlaced, 500, 1625, 5685, 3015, {33, 108, 371, 172}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        FormDef def = frmTest;
        def.borderStyle = row.border;
        TestForm form(def);
        if (row.loaded != Loaded::AfterTheFrame)
            form.Load();
        if (row.loaded == Loaded::AheadAndPlaced)
            form.setLeft(500);
        if (row.learnt) {
            TestForm earlier(frmOne);
            earlier.Show();
            port.managerFrame = row.learnt;
            fake::moveWindow(earlier, 100, 50);
            earlier.Unload();
        }
        CHECK(form.Left() == row.left);
        CHECK(form.Top() == row.top);
        CHECK(form.Width() == row.width);
        CHECK(form.Height() == row.height);
        const PixelRect at = windowOf(form).rect;
        CHECK(at.x == row.pixels.x);
        CHECK(at.y == row.pixels.y);
        CHECK(at.width == row.pixels.width);
        CHECK(at.height == row.pixels.height);
    }
}

TEST_CASE("fractional twips stay while the window stands on their pixel")
{
    struct Row {
        float left;
        int pixel;
    };
    const Row rows[] = {{1234.5f, 82}, {0.25f, 0}, {7.5f, 1}, {-22.5f, -2}, {5685.75f, 379}};
    for (const Row &row : rows) {
        CAPTURE(row.left);
        FakePort port;
        TestForm form(frmTest);
        form.Show();
        form.setLeft(row.left);
        form.setWidth(5685.25f);
        CHECK(form.Left() == row.left);
        CHECK(windowOf(form).rect.x == row.pixel);
        fake::moveWindow(form, row.pixel, windowOf(form).rect.y);
        CHECK(form.Left() == row.left);
        CHECK(form.Width() == 5685.25f);
        fake::moveWindow(form, row.pixel + 1, windowOf(form).rect.y);
        CHECK(form.Left() == float((row.pixel + 1) * 15));
    }
}

TEST_CASE("a modal Show returns after the unload and after the handler that unloaded")
{
    FakePort port;
    TestForm form(frmTest);
    std::vector<std::string> log;
    form.on["cmdYes"] = [&] {
        form.Unload();
        log.push_back(form.isLoaded() ? "still loaded" : "unloaded");
        log.push_back("handler goes on");
    };
    port.script([&] {
        CHECK(windowOf(form).visible);
        CHECK(windowOf(form).modal);
        log.push_back("player clicks");
        fake::click(form, "cmdYes");
    });
    form.Show(1);
    log.push_back("Show returned");
    CHECK(log == std::vector<std::string>{"player clicks", "unloaded", "handler goes on", "Show returned"});
    CHECK(!form.isLoaded());
    CHECK(port.windows.empty());
    CHECK(port.nestedDepth == 0);
}

TEST_CASE("nested modal shows: the hook sees each modal form in order, modeless ones not")
{
    FakePort port;
    TestForm one(frmOne), two(frmTwo), modeless(frmTest);
    std::vector<std::string> log;
    setModalHook([&](Form &form) {
        log.push_back("hook " + form.name() + " depth " + std::to_string(port.nestedDepth));
        CHECK(windowOf(form).visible);
        CHECK(windowOf(form).modal);
        fake::click(form, "cmdYes");
    });
    one.on["cmdYes"] = [&] {
        two.Show(1, &one);
        log.push_back("frmTwo returned");
        one.Unload();
    };
    two.on["cmdYes"] = [&] {
        CHECK(windowOf(two).owner == one.windowIfLoaded());
        two.Unload();
    };
    modeless.Show();
    for (int round = 1; round <= 2; ++round) {
        one.Show(1);
        log.push_back("frmOne returned");
    }
    const std::vector<std::string> once = {"hook frmOne depth 1", "hook frmTwo depth 2", "frmTwo returned",
                                           "frmOne returned"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    CHECK(log == twice);
    CHECK(loadedForms() == std::vector<Form *>{&modeless});
}

TEST_CASE("the program ends when the last form unloads")
{
    FakePort port;
    TestForm first(frmOne), second(frmTwo);
    first.onLoad = [&] {
        first.Show();
        second.Show();
    };
    first.on["cmdYes"] = [&] { first.Unload(); };
    second.on["cmdYes"] = [&] { second.Unload(); };
    port.script([&] { fake::click(second, "cmdYes"); });
    port.script([&] {
        CHECK(port.quits == 0);
        CHECK(loadedForms().size() == 1);
        fake::click(first, "cmdYes");
        CHECK(port.quits == 1);
    });
    CHECK(engine::run(first) == 0);
    CHECK(port.quits == 1);
    CHECK(port.pending() == 0);
    CHECK(port.windows.empty());
}

TEST_CASE("close requests")
{
    struct Row {
        const char *name;
        const FormDef &def;
        bool duringLoad;
        bool loadedAfter;
    };
    const Row rows[] = {
        {"no control box: ignored", frmTest, false, true},
        {"control box: unloads, no button pressed", frmClosable, false, false},
        {"control box, during Form_Load: ignored", frmClosable, true, true},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        TestForm form(row.def);
        if (row.duringLoad)
            form.onLoad = [&] { fake::requestClose(form); };
        form.Show();
        if (!row.duringLoad)
            fake::requestClose(form);
        CHECK(form.isLoaded() == row.loadedAfter);
        CHECK(port.windows.size() == (row.loadedAfter ? 1u : 0u));
        CHECK(form.clicks.empty());
    }
}

TEST_CASE("a control the definition lacks is run-time error 340 at load")
{
    FakePort port;
    MissingForm form;
    bool raised = false;
    try {
        form.Load();
    } catch (const RuntimeError &error) {
        raised = true;
        CHECK(error.number() == 340);
        CHECK(error.message() == "Run-time error '340': Control 'lblMissing' is missing from form frmTest");
    }
    CHECK(raised);
    CHECK(!form.isLoaded());
    CHECK(loadedForms().empty());
    CHECK(port.windows.empty());
    CHECK(port.controlsAlive == 0);
}

TEST_CASE("an Unload inside a button's handler frees the controls once the handler has returned")
{
    struct Row {
        const char *name;
        std::function<void(Form &)> press;
    };
    const Row rows[] = {
        {"mouse click", [](Form &form) { fake::click(form, "cmdYes"); }},
        {"Enter on the Default button", [](Form &form) { fake::sendKey(form, {.kind = KeyPress::Enter}); }},
        {"Alt+Y", [](Form &form) { fake::sendKey(form, {.kind = KeyPress::Letter, .letter = 'Y', .alt = true}); }},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        TestForm form(frmTest);
        bool wentOn = false;
        form.on["cmdYes"] = [&] {
            Label &message = label(form, "lblMessage");
            Control &yes = *form.control("cmdYes");
            form.Unload();
            message.setCaption("Bye");
            CHECK(fake::peerOf(message).caption == "Bye");
            CHECK(yes.name() == "cmdYes");
            CHECK(port.controlsAlive == 4);
            CHECK(port.windows.size() == 1);
            CHECK((port.windows.size() == 1 && !port.windows[0]->visible));
            wentOn = true;
        };
        form.Show();
        windowOf(form).focus = nullptr;
        row.press(form);
        CHECK(wentOn);
        CHECK(!form.isLoaded());
        CHECK(port.controlsAlive == 0);
        CHECK(port.windows.empty());
    }
}

// A modal show that ends before its hook ran must not leave the hook a freed
// form; a form its own Form_Load unloaded is no window to show.
TEST_CASE("a modal show that ends before its hook ran leaves nothing behind")
{
    FakePort port;
    std::vector<std::string> seen;
    setModalHook([&](Form &form) {
        seen.push_back(form.name());
        form.Unload();
    });
    auto early = std::make_unique<TestForm>(frmOne);
    TestForm *waiting = early.get();
    port.post([waiting] { waiting->Unload(); }); // an event already waiting
    early->Show(1);
    early.reset();
    // What the hook's task left behind runs now, and must not touch the freed form.
    TestForm later(frmTwo);
    later.Show(1);
    CHECK(seen == std::vector<std::string>{"frmTwo"});
}

TEST_CASE("a form its Form_Load unloaded raises an error, not a crash")
{
    struct Row {
        const char *name;
        std::function<void(Form &)> use;
    };
    const Row rows[] = {
        {"Show", [](Form &form) { form.Show(); }},
        {"Show modal", [](Form &form) { form.Show(1); }},
        {"Caption", [](Form &form) { (void)form.Caption(); }},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        TestForm form(frmTest);
        form.onLoad = [&] { form.Unload(); };
        CHECK_THROWS_AS(row.use(form), RuntimeError);
        CHECK(!form.isLoaded());
        CHECK(port.windows.empty());
    }
}
