// The global instance of a form class under the class's own name, made on first
// reference. Reading or writing a property of an unloaded form loads it.
#pragma once

#include "form.h"

namespace engine {

template <class T> class DefaultInstance {
public:
    // `formName` is the name of the class's form, for finding it by name.
    explicit DefaultInstance(std::string formName)
    {
        registerDefaultInstance(
            formName, [this]() -> Form & { return get(); },
            [this] {
                delete m_instance;
                m_instance = nullptr;
            });
    }
    T *operator->() { return &get(); }
    T &get()
    {
        if (!m_instance)
            m_instance = new T;
        return *m_instance;
    }
    operator T &() { return get(); }
    bool exists() const { return m_instance != nullptr; }

private:
    // Not destroyed with the program's statics: a program that ends from
    // inside the window system (the display went away) must not tear down
    // windows under its feet. resetForTesting() forgets it.
    T *m_instance = nullptr;
};

} // namespace engine
