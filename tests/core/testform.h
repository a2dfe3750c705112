// A form for the core's tests: each button records its click in `clicks`,
// then runs what the test put under its name in `on`.
#pragma once

#include "forms/core/form.h"

#include <map>
#include <memory>

class TestForm : public engine::Form {
public:
    explicit TestForm(const engine::FormDef &def) : Form(def)
    {
        for (const engine::ControlDef &control : def.controls) {
            if (control.kind != engine::ControlKind::CommandButton)
                continue;
            m_buttons.push_back(std::make_unique<ControlRef<engine::CommandButton>>(this, control.name));
            onClick(*m_buttons.back(), [this, name = control.name] {
                clicks.push_back(name);
                if (auto it = on.find(name); it != on.end())
                    it->second();
            });
        }
    }

    std::vector<std::string> clicks;
    std::map<std::string, std::function<void()>> on;
    std::function<void()> onLoad;

protected:
    void Form_Load() override
    {
        if (onLoad)
            onLoad();
    }

private:
    std::vector<std::unique_ptr<ControlRef<engine::CommandButton>>> m_buttons;
};

// A dialog 5565 x 2580 twips inside, at 1000, 2000: a message and three buttons.
inline engine::FormDef dialogDefinition(std::string name, bool controlBox = false)
{
    using engine::ControlKind;
    return {
        .name = std::move(name),
        .caption = "Test dialog",
        .controlBox = controlBox,
        .clientLeft = 1000, .clientTop = 2000, .clientWidth = 5565, .clientHeight = 2580,
        .controls = {
            {.kind = ControlKind::Label, .name = "lblMessage", .left = 120, .top = 120, .width = 5325,
             .height = 975, .caption = "Shall we?"},
            {.kind = ControlKind::CommandButton, .name = "cmdYes", .left = 120, .top = 1200, .width = 1215,
             .height = 375, .caption = "&Yes", .tabIndex = 1, .isDefault = true},
            {.kind = ControlKind::CommandButton, .name = "cmdNo", .left = 1455, .top = 1200, .width = 1215,
             .height = 375, .caption = "&No", .tabIndex = 2, .isCancel = true},
            {.kind = ControlKind::CommandButton, .name = "cmdSalt", .left = 2790, .top = 1200, .width = 1215,
             .height = 375, .caption = "&&Salt && &Chips", .tabIndex = 0},
        },
    };
}
