// The global instance of a form class under the class's own name, made on first
// reference. Reading or writing a property of an unloaded form loads it.
#pragma once

#include "form.h"


namespace engine {

template <class T> class DefaultInstance {
public:
    T *operator->() { return &get(); }
    T &get()
    {
        if (!m_instance) {
            m_instance = new T;
            registerDefaultInstance([this] {
                delete m_instance;
                m_instance = nullptr;
            });
        }
        return *m_instance;
    }
    operator T &() { return get(); }
    bool exists() const { return m_instance != nullptr; }

private:
    // Not destroyed with the program's statics: a program that ends from
    // inside the window system (the display went away) must not tear down
    // windows under Qt's feet. resetForTesting() forgets it.
    T *m_instance = nullptr;
};

} // namespace engine
