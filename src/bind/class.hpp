#pragma once
// Heap types from type specifications, one-time class cells, and the
// declarative method entries that generate METH_FASTCALL|METH_KEYWORDS
// trampolines.
//
// A class is a struct Cls with
//   using Value = <the C++ value every object holds>;
//   static constexpr const char* name = "<Python name>";
//   static const ClassDef& def();          // its type specification
//   static constexpr bool borrowed = true; // optional: objects carry a borrow flag
// Instances are laid out as Object<Cls>: the object header, then the value.
#include <array>
#include <cstddef>
#include <initializer_list>
#include <new>
#include <optional>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "borrow.hpp"
#include "convert.hpp"
#include "error.hpp"
#include "signature.hpp"

namespace vx::bind {

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
template <class Cls>
typename Cls::Value& value_of(PyObject* o) {
    return object_of<Cls>(o)->value;
}

struct ClassAttr {
    const char* name;
    Ref (*make)();
};

// One declared member of a class: a method, a read-only property or a class
// attribute.
struct Entry {
    enum class Kind { Method, Getter, Attribute } kind;
    PyMethodDef method{};
    PyGetSetDef getset{};
    ClassAttr attribute{};
};

// A block of members of one class. A class may spread its members over
// several blocks (say, its frame and its math methods in different files).
struct MethodTable {
    std::vector<Entry> entries;
    MethodTable(std::initializer_list<Entry> e) : entries(e) {}
};

struct ClassDef {
    const char* name;             // Python name, e.g. "Vec3"
    const char* doc;              // "<text signature>\n--\n\n", or null
    Py_ssize_t basicsize;
    unsigned long flags;          // added to Py_TPFLAGS_DEFAULT
    std::vector<PyType_Slot> slots;   // the class's own items
    std::vector<const MethodTable*> blocks;
    // Field names behind __dataclass_fields__ and __dict__; nullopt for a
    // class without them.
    std::optional<std::vector<const char*>> fields;
    PyTypeObject* (*base)() = nullptr;  // null: object
    const char* qualname = nullptr;     // null: the Python name
    const char* module = "vexorin._vexorin";
};

// The one-time cell of a class object. While the creating thread computes
// the class attributes (which may build instances of the class itself) it
// sees the partial type; other threads wait for the finished one.
struct TypeCell {
    PyTypeObject* ready = nullptr;
    PyTypeObject* partial = nullptr;
    std::thread::id creator{};
};
PyTypeObject* create_or_wait(TypeCell& cell, const ClassDef& (*def)());

template <class Cls>
inline TypeCell type_cell{};

// The class object of Cls, created on first need.
template <class Cls>
inline PyTypeObject* type_object() {
    if (PyTypeObject* t = type_cell<Cls>.ready) [[likely]]
        return t;
    return create_or_wait(type_cell<Cls>, &Cls::def);
}


// A new object of Cls (or of `type`, a subclass) holding `value`.
template <class Cls>
PyObject* new_object_of_type(PyTypeObject* type, typename Cls::Value value) {
    PyObject* o = PyType_GenericAlloc(type, 0);
    if (!o) throw_python_error();
    new (&object_of<Cls>(o)->value) typename Cls::Value(std::move(value));
    if constexpr (is_borrowed<Cls>()) new (&object_of<Cls>(o)->flag) BorrowFlag();
    return o;
}
template <class Cls>
PyObject* new_object(typename Cls::Value value) {
    return new_object_of_type<Cls>(type_object<Cls>(), std::move(value));
}

// Which class a bare value becomes when a body returns it (a value type can
// opt in by specialising this, e.g. DVec3 -> Vec3).
template <class T>
struct ClassOf;
template <class T>
struct Wrap<T, std::void_t<typename ClassOf<T>::type>> {
    static PyObject* to(T v) { return new_object<typename ClassOf<T>::type>(std::move(v)); }
};

template <class Cls>
void dealloc(PyObject* o) {
    using V = typename Cls::Value;
    object_of<Cls>(o)->value.~V();
    PyTypeObject* type = Py_TYPE(o);
    auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free(o);
    Py_DECREF(type);
}

// ---- parameters: self and arguments ----

template <class Cls, class T, class = void>
struct SelfCaster;
template <class Cls>
struct SelfCaster<Cls, PyObject*> {
    static PyObject* from(PyObject* self) { return self; }
};
template <class Cls>
struct SelfCaster<Cls, const typename Cls::Value&, std::enable_if_t<!is_borrowed<Cls>()>> {
    static const typename Cls::Value& from(PyObject* self) { return value_of<Cls>(self); }
};
template <class Cls>
struct SelfCaster<Cls, typename Cls::Value, std::enable_if_t<!is_borrowed<Cls>()>> {
    static const typename Cls::Value& from(PyObject* self) { return value_of<Cls>(self); }
};
// Borrowed classes: a const reference takes a shared borrow, a mutable
// reference an exclusive one, each held for the length of the call.
template <class Cls>
struct SelfCaster<Cls, const typename Cls::Value&, std::enable_if_t<is_borrowed<Cls>()>> {
    static SharedBorrow<typename Cls::Value> from(PyObject* self) {
        return SharedBorrow<typename Cls::Value>(value_of<Cls>(self), object_of<Cls>(self)->flag);
    }
};
template <class Cls>
struct SelfCaster<Cls, typename Cls::Value&, std::enable_if_t<is_borrowed<Cls>()>> {
    static ExclusiveBorrow<typename Cls::Value> from(PyObject* self) {
        return ExclusiveBorrow<typename Cls::Value>(value_of<Cls>(self), object_of<Cls>(self)->flag);
    }
};

// Converts one argument; a failure gets the note naming the parameter.
template <class T>
T convert_argument(PyObject* o, std::string_view name) {
    if constexpr (is_optional<T>::value) {
        if (!o) return std::nullopt;
    } else if constexpr (requires { Caster<T>::absent(); }) {
        if (!o) return Caster<T>::absent();
    }
    try {
        return Caster<T>::from(o);
    } catch (const Error& e) {
        PyErr_SetString(e.type, e.message.c_str());
    } catch (const PythonError&) {
    }
    // name points into a null-terminated signature text, but not at a
    // terminator: copy it.
    std::string n(name);
    add_argument_note(n.c_str());
    throw PythonError{};
}

template <class F>
struct fn_traits;
template <class R, class... A>
struct fn_traits<R (*)(A...)> {
    using result = R;
    using args = std::tuple<A...>;
    static constexpr std::size_t arity = sizeof...(A);
};

template <class Tuple, std::size_t Offset, std::size_t... I>
Tuple convert_all(PyObject** slots, const Signature& sig, std::index_sequence<I...>) {
    // Braced initialisation evaluates left to right: arguments are converted
    // in signature order, so the first bad one is the one reported.
    return Tuple{convert_argument<std::tuple_element_t<I + Offset, Tuple>>(slots[I], sig.params[I].name)...};
}

template <class T>
using stored_t = std::conditional_t<std::is_reference_v<T>, std::remove_cvref_t<T>, T>;

template <class Tuple, std::size_t Skip>
struct drop_front;
template <class First, class... Rest>
struct drop_front<std::tuple<First, Rest...>, 1> {
    using type = std::tuple<stored_t<Rest>...>;
};
template <class... A>
struct drop_front<std::tuple<A...>, 0> {
    using type = std::tuple<stored_t<A>...>;
};

// Converts the arguments in signature order and calls F; returns F's result.
template <class Cls, fixed_string Sig, auto F>
typename fn_traits<decltype(F)>::result call_raw(PyObject* self, PyObject** slots) {
    static constexpr Signature sig = parse_signature(Sig.view());
    using Tr = fn_traits<decltype(F)>;
    constexpr std::size_t skip = sig.has_self ? 1 : 0;
    static_assert(Tr::arity == sig.count + skip, "C++ parameters do not match the text signature");
    using Args = typename drop_front<typename Tr::args, skip>::type;
    Args args = convert_all<Args, 0>(slots, sig, std::make_index_sequence<sig.count>{});
    return [&]<std::size_t... I>(std::index_sequence<I...>) -> typename Tr::result {
        if constexpr (sig.has_self) {
            using SelfT = std::tuple_element_t<0, typename Tr::args>;
            auto&& s = SelfCaster<Cls, SelfT>::from(self);
            return F(s, std::get<I>(std::move(args))...);
        } else {
            return F(std::get<I>(std::move(args))...);
        }
    }(std::make_index_sequence<sig.count>{});
}

template <class Cls, fixed_string Sig, auto F>
PyObject* call_bound(PyObject* self, PyObject** slots) {
    if constexpr (std::is_void_v<typename fn_traits<decltype(F)>::result>) {
        call_raw<Cls, Sig, F>(self, slots);
        return Ref::borrow(Py_None).release();
    } else {
        return wrap(call_raw<Cls, Sig, F>(self, slots));
    }
}

template <class Cls, fixed_string Sig, auto F>
PyObject* method_trampoline(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    static constexpr Signature sig = parse_signature(Sig.view());
    try {
        PyObject* slots[sig.count > 0 ? sig.count : 1];
        bind_arguments(sig, Cls::name, sig.name, args, nargs, kwnames, slots);
        return call_bound<Cls, Sig, F>(self, slots);
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

// ---- compile-time texts: method names and docs ----

template <fixed_string Sig>
struct SigText {
    static constexpr std::size_t name_len = first_index_of(Sig.view(), '(');
    static constexpr auto name = [] {
        std::array<char, name_len + 1> a{};
        for (std::size_t i = 0; i < name_len; ++i) a[i] = Sig.value[i];
        return a;
    }();
    // "<signature>\n--\n\n": the interpreter shows the first line as
    // __text_signature__ and nothing as the doc body.
    static constexpr auto doc = [] {
        constexpr std::string_view tail = "\n--\n\n";
        std::array<char, Sig.view().size() + tail.size() + 1> a{};
        std::size_t k = 0;
        for (char c : Sig.view()) a[k++] = c;
        for (char c : tail) a[k++] = c;
        return a;
    }();
};

template <class Cls, fixed_string Sig, auto F>
Entry method_entry(int extra_flags) {
    Entry e{Entry::Kind::Method};
    e.method.ml_name = SigText<Sig>::name.data();
    e.method.ml_meth = reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&method_trampoline<Cls, Sig, F>));
    e.method.ml_flags = METH_FASTCALL | METH_KEYWORDS | extra_flags;
    e.method.ml_doc = SigText<Sig>::doc.data();
    return e;
}

// The declarations of a class's members, as used in its method tables:
//   using D = Declare<PyDVec3>;
//   D::method<"dot($self, rhs)", dot>(), D::getter<"x", get_x>(), ...
template <class Cls>
struct Declare {
    template <fixed_string Sig, auto F>
    static Entry method() {
        static_assert(parse_signature(Sig.view()).has_self, "an instance method's signature starts with $self");
        return method_entry<Cls, Sig, F>(0);
    }
    template <fixed_string Sig, auto F>
    static Entry static_method() {
        return method_entry<Cls, Sig, F>(METH_STATIC);
    }
    // A read-only property; F takes the value (or the object).
    template <fixed_string Name, auto F>
    static Entry getter() {
        Entry e{Entry::Kind::Getter};
        e.getset.name = Name.value;
        e.getset.get = [](PyObject* self, void*) noexcept -> PyObject* {
            try {
                using SelfT = std::tuple_element_t<0, typename fn_traits<decltype(F)>::args>;
                auto&& s = SelfCaster<Cls, SelfT>::from(self);
                return wrap(F(s));
            } catch (...) {
                set_error_from_current_exception();
                return nullptr;
            }
        };
        return e;
    }
    // A class attribute computed once when the class object is created.
    template <fixed_string Name, auto F>
    static Entry attribute() {
        Entry e{Entry::Kind::Attribute};
        e.attribute.name = Name.value;
        e.attribute.make = [] { return to_ref(F()); };
        return e;
    }
    // The constructor: F returns the new object's value.
    template <fixed_string Sig, auto F>
    static PyType_Slot constructor() {
        newfunc fn = [](PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept -> PyObject* {
            try {
                return construct<Sig, F>(type, args, kwargs);
            } catch (...) {
                set_error_from_current_exception();
                return nullptr;
            }
        };
        return {Py_tp_new, reinterpret_cast<void*>(fn)};
    }

private:
    template <fixed_string Sig, auto F>
    static PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        static constexpr Signature sig = parse_signature(Sig.view());
        // The constructor sees tuple/dict arguments; lay them out as a
        // vectorcall so one parser serves both.
        Py_ssize_t nargs = PyTuple_Size(args);
        Py_ssize_t nkw = kwargs ? PyDict_Size(kwargs) : 0;
        // Stack room for the common calls; more arguments than parameters
        // only reach the parser's error path.
        PyObject* small[kMaxParams + 4];
        std::vector<PyObject*> large;
        PyObject** flat = small;
        if (static_cast<std::size_t>(nargs + nkw) > std::size(small)) {
            large.resize(static_cast<std::size_t>(nargs + nkw));
            flat = large.data();
        }
        for (Py_ssize_t i = 0; i < nargs; ++i) flat[i] = PyTuple_GetItem(args, i);
        Ref kwnames;
        if (nkw > 0) {
            kwnames = check(PyTuple_New(nkw));
            Py_ssize_t pos = 0, k = 0;
            PyObject *key, *value;
            while (PyDict_Next(kwargs, &pos, &key, &value)) {
                Py_INCREF(key);
                PyTuple_SetItem(kwnames.get(), k, key);
                flat[nargs + k] = value;
                ++k;
            }
        }
        PyObject* slots[sig.count > 0 ? sig.count : 1];
        bind_arguments(sig, Cls::name, "__new__", flat, nargs, kwnames.get(), slots);
        return new_object_of_type<Cls>(type, call_raw<Cls, Sig, F>(nullptr, slots));
    }
};

}  // namespace vx::bind
