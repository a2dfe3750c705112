// The global instance of a form class under the class's own name, made on first
// reference. Reading or writing a property of an unloaded form loads it.
#pragma once

#include "form.h"

#include <memory>

namespace engine {

template <class T> class DefaultInstance {
public:
    T *operator->() { return &get(); }
    T &get()
    {
        if (!m_instance) {
            m_instance = std::make_unique<T>();
            registerDefaultInstance([this] { m_instance.reset(); });
        }
        return *m_instance;
    }
    operator T &() { return get(); }
    bool exists() const { return bool(m_instance); }

private:
    std::unique_ptr<T> m_instance;
};

} // namespace engine
