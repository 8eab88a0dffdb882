#pragma once
// The objects of a class, its class object, and the conversions between
// objects and the values they hold.
//
// A class is a struct Cls with
//   using Value = <the C++ value every object holds>;
//   static constexpr const char* name = "<Python name>";
//   static const ClassDef& def();          // its type specification
//   static constexpr bool borrowed = true; // optional: objects carry a borrow flag
// Instances are laid out as Object<Cls>: the object header, then the value
// (then the flag). A subclass declared in C++ holds the same Value as its base.
#include <new>
#include <thread>
#include <type_traits>
#include <utility>

#include "borrow.hpp"
#include "convert.hpp"

namespace vx::bind {

struct ClassDef;

template <class Cls>
constexpr bool is_borrowed() {
    if constexpr (requires { Cls::borrowed; })
        return Cls::borrowed;
    else
        return false;
}

template <class Cls, bool = is_borrowed<Cls>()>
struct Object {
    PyObject_HEAD typename Cls::Value value;
};
template <class Cls>
struct Object<Cls, true> {
    PyObject_HEAD typename Cls::Value value;
    BorrowFlag flag;
};

template <class Cls>
Object<Cls>* object_of(PyObject* o) {
    return reinterpret_cast<Object<Cls>*>(o);
}
// The value in place, without a borrow: only for classes without flags, or
// where the caller holds one.
template <class Cls>
typename Cls::Value& value_of(PyObject* o) {
    return object_of<Cls>(o)->value;
}
template <class Cls>
BorrowFlag* flag_of(PyObject* o) {
    if constexpr (is_borrowed<Cls>())
        return &object_of<Cls>(o)->flag;
    else
        return nullptr;
}

// The value of `o` under a shared (const Value) or exclusive (Value) borrow of
// its flag; for a class without flags, simply the value.
template <class Cls>
Borrowed<const typename Cls::Value> borrow_shared(PyObject* o) {
    return {value_of<Cls>(o), flag_of<Cls>(o)};
}
template <class Cls>
Borrowed<typename Cls::Value> borrow_exclusive(PyObject* o) {
    return {value_of<Cls>(o), flag_of<Cls>(o)};
}

template <class Cls>
void dealloc(PyObject* o) {
    using V = typename Cls::Value;
    object_of<Cls>(o)->value.~V();
    PyTypeObject* type = Py_TYPE(o);
    auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free(o);
    Py_DECREF(type);
}

// What the class object needs beyond its ClassDef, taken from Cls itself.
struct Layout {
    const char* name;
    Py_ssize_t basicsize;
    destructor dealloc;
};

// The one-time cell of a class object. While the creating thread computes
// the class attributes (which may build instances of the class itself) it
// sees the partial type; other threads wait for the finished one.
struct TypeCell {
    PyTypeObject* ready = nullptr;
    PyTypeObject* partial = nullptr;
    std::thread::id creator{};
};
PyTypeObject* create_or_wait(TypeCell& cell, const ClassDef& (*def)(), const Layout& layout);

template <class Cls>
inline TypeCell type_cell{};

// The class object of Cls, created on first need.
template <class Cls>
inline PyTypeObject* type_object() {
    if (PyTypeObject* t = type_cell<Cls>.ready) [[likely]]
        return t;
    static constexpr Layout layout{Cls::name, static_cast<Py_ssize_t>(sizeof(Object<Cls>)), &dealloc<Cls>};
    return create_or_wait(type_cell<Cls>, &Cls::def, layout);
}

// Whether `o` is an instance of Cls or of a subclass.
template <class Cls>
bool is_instance(PyObject* o) {
    PyTypeObject* t = type_object<Cls>();
    if (Py_TYPE(o) == t) return true;
    // A final class has no subclasses: spare the walk over o's bases.
    return (PyType_GetFlags(t) & Py_TPFLAGS_BASETYPE) && PyType_IsSubtype(Py_TYPE(o), t);
}
// Raises "'{type}' object is not an instance of '{Cls::name}'" unless `o` is
// an instance of Cls or of a subclass.
template <class Cls>
void require_instance(PyObject* o) {
    if (!is_instance<Cls>(o)) raise_not_instance(o, Cls::name);
}

// A new object of Cls (or of `type`, a subclass) holding `value` (moved or
// copied straight into place).
template <class Cls, class V = typename Cls::Value>
PyObject* new_object_of_type(PyTypeObject* type, V&& value) {
    PyObject* o = PyType_GenericAlloc(type, 0);
    if (!o) throw_python_error();
    new (&object_of<Cls>(o)->value) typename Cls::Value(std::forward<V>(value));
    if constexpr (is_borrowed<Cls>()) new (&object_of<Cls>(o)->flag) BorrowFlag();
    return o;
}
template <class Cls, class V = typename Cls::Value>
PyObject* new_object(V&& value) {
    return new_object_of_type<Cls>(type_object<Cls>(), std::forward<V>(value));
}

// ---- values as results ----

// A result that becomes a new object of Cls: return New<PyCuboid>{cuboid}.
template <class Cls>
struct New {
    typename Cls::Value value;
};
template <class Cls>
struct Wrap<New<Cls>> {
    template <class U>
    static PyObject* to(U&& v) {
        return new_object<Cls>(std::forward<U>(v).value);
    }
};

// Which class a bare value becomes when a body returns it: a value type opts
// in by specialising this (DVec3 -> Vec3).
template <class T>
struct ClassOf;
template <class T>
struct Wrap<T, std::void_t<typename ClassOf<T>::type>> {
    template <class U>
    static PyObject* to(U&& v) {
        return new_object<typename ClassOf<T>::type>(std::forward<U>(v));
    }
};

// A class object as a result (a class attribute naming another class).
template <class Cls>
Ref class_ref() {
    return Ref::borrow(reinterpret_cast<PyObject*>(type_object<Cls>()));
}

// ---- objects as parameters ----

// A copy of the value of an instance of Cls or of a subclass, copied under a
// shared borrow (so an object exclusively borrowed by the running call is
// refused with RuntimeError "Already mutably borrowed"); anything else raises
// TypeError "'{type}' object is not an instance of '{Cls::name}'".
template <class Cls>
struct InstanceOf {
    typename Cls::Value value;
};
template <class Cls>
struct Caster<InstanceOf<Cls>> {
    static InstanceOf<Cls> from(PyObject* o) {
        require_instance<Cls>(o);
        return {*borrow_shared<Cls>(o)};
    }
};

// An instance of Cls or of a subclass read in place under a shared borrow
// held until the body returns; the same TypeError as InstanceOf otherwise.
template <class Cls>
class SharedRef {
public:
    explicit SharedRef(PyObject* o) : value_(borrow_shared<Cls>(o)) {}
    const typename Cls::Value& operator*() const { return *value_; }
    const typename Cls::Value* operator->() const { return &*value_; }

private:
    Borrowed<const typename Cls::Value> value_;
};
template <class Cls>
struct Caster<SharedRef<Cls>> {
    static SharedRef<Cls> from(PyObject* o) {
        require_instance<Cls>(o);
        return SharedRef<Cls>(o);
    }
};

// ---- self ----

// How a body's first parameter receives self: PyObject* the object itself; a
// const Value& (or Value) the value, under a shared borrow for classes with
// flags; a Value& the value under an exclusive borrow (classes with flags
// only). The borrow is held until the body returns.
template <class Cls, class T>
struct SelfCaster;
template <class Cls>
struct SelfCaster<Cls, PyObject*> {
    static PyObject* from(PyObject* self) { return self; }
};
template <class Cls>
struct SelfCaster<Cls, const typename Cls::Value&> {
    static decltype(auto) from(PyObject* self) {
        if constexpr (is_borrowed<Cls>())
            return borrow_shared<Cls>(self);
        else
            return static_cast<const typename Cls::Value&>(value_of<Cls>(self));
    }
};
template <class Cls>
struct SelfCaster<Cls, typename Cls::Value> : SelfCaster<Cls, const typename Cls::Value&> {};
template <class Cls>
struct SelfCaster<Cls, typename Cls::Value&> {
    static_assert(is_borrowed<Cls>(), "only classes with borrow flags change their value in place");
    static Borrowed<typename Cls::Value> from(PyObject* self) { return borrow_exclusive<Cls>(self); }
};

}  // namespace vx::bind
