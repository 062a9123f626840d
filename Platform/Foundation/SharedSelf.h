#pragma once

// For a class whose objects are owned through shared_ptr: the object, typed as
// the caller's own class, for a callback to capture (weakSelf) or to keep alive
// across a call that may release its last owner (protect). Only once the
// object is owned by a shared_ptr, so not from a constructor.
//
//     class UIResponder : public SharedSelf<UIResponder> { ... };
//     auto weak = weakSelf<HomeViewController>();

#include <memory>

template <class Base> class SharedSelf : public std::enable_shared_from_this<Base> {
public:
    template <class T> std::weak_ptr<T> weakSelf() { return protect<T>(); }
    template <class T> std::shared_ptr<T> protect() { return std::static_pointer_cast<T>(this->shared_from_this()); }
};
