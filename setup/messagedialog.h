// What the two message dialogs have in common: one label, and Yes and No or
// OK alone.
#pragma once

#include "forms/core/defaultinstance.h"

class MessageDialog : public engine::Form {
public:
    using Form::Form;

    ControlRef<engine::Label> Label1{this, "Label1"};
    ControlRef<engine::CommandButton> Command1{this, "Command1"}; // Yes
    ControlRef<engine::CommandButton> Command2{this, "Command2"}; // No
    ControlRef<engine::CommandButton> Command3{this, "Command3"}; // OK
};
