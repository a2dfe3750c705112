#include "keyboard.h"

#include "x11.h"

#include <set>


namespace gtkport {

using engine::KeyPress;

namespace {

// The keys down now, by hardware code, as the program has seen them go.
std::set<guint16> &keysDown()
{
    static std::set<guint16> keys;
    return keys;
}
guint16 lastReleased = 0;
guint32 lastReleasedAt = 0;
bool pressRepeated = false; // of the press being delivered

// A release that went to another program (the window under it was gone) is
// not seen: where the focus comes back, the keys down are asked of X11.
void forgetKeysReleased(GdkDisplay *display)
{
    for (auto it = keysDown().begin(); it != keysDown().end();) {
        if (!x11::keyIsDown(display, *it))
            it = keysDown().erase(it);
        else
            ++it;
    }
}

void onEvent(GdkEvent *event, gpointer)
{
    switch (event->type) {
    case GDK_KEY_PRESS: {
        const guint16 code = event->key.hardware_keycode;
        // Held down: presses without releases between them (a detectable
        // repeat), or a release and a press at the same moment.
        pressRepeated = keysDown().count(code) > 0 || (code == lastReleased && event->key.time == lastReleasedAt);
        keysDown().insert(code);
        break;
    }
    case GDK_KEY_RELEASE:
        keysDown().erase(event->key.hardware_keycode);
        lastReleased = event->key.hardware_keycode;
        lastReleasedAt = event->key.time;
        break;
    case GDK_FOCUS_CHANGE:
        if (event->focus_change.in)
            forgetKeysReleased(gdk_window_get_display(event->focus_change.window));
        break;
    default:
        break;
    }
    gtk_main_do_event(event);
}

} // namespace

void watchKeys()
{
    gdk_event_handler_set(onEvent, nullptr, nullptr);
}

KeyPress keyPressFrom(const GdkEventKey *event)
{
    KeyPress key;
    guint keyval = event->keyval;
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        key.kind = KeyPress::Enter;
        break;
    case GDK_KEY_Escape:
        key.kind = KeyPress::Escape;
        break;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        key.kind = KeyPress::Space;
        break;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        key.kind = KeyPress::Tab;
        break;
    default: {
        guint upper = gdk_keyval_to_upper(keyval);
        if (upper < GDK_KEY_A || upper > GDK_KEY_Z) {
            // Another alphabet: the letter the same key has in the first layout.
            guint first = 0;
            GdkKeymap *keymap = gdk_keymap_get_for_display(gdk_window_get_display(event->window));
            if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode, GdkModifierType(0), 0, &first,
                                                    nullptr, nullptr, nullptr))
                upper = gdk_keyval_to_upper(first);
        }
        if (upper >= GDK_KEY_A && upper <= GDK_KEY_Z) {
            key.kind = KeyPress::Letter;
            key.letter = char('A' + (upper - GDK_KEY_A));
        }
        break;
    }
    }
    key.alt = (event->state & GDK_MOD1_MASK) != 0;
    key.control = (event->state & (GDK_CONTROL_MASK | GDK_SUPER_MASK | GDK_META_MASK)) != 0;
    key.shift = (event->state & GDK_SHIFT_MASK) != 0 || keyval == GDK_KEY_ISO_Left_Tab;
    key.repeated = pressRepeated;
    return key;
}

} // namespace gtkport
