#pragma once
// Classes from declarations. A class file declares its members in method
// tables — methods, static methods, read-only properties, class attributes,
// the constructor and the interpreter's special slots — each one line naming
// the text signature and a C++ body:
//
//   using D = bind::Declare<PyDVec3>;
//   const bind::MethodTable frame = {
//       D::constructor<"Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)", &construct>(),
//       D::method<"dot($self, rhs)", &dot>(),
//       D::static_method<"from_json(json)", &from_json>(),
//       D::getter<"x", &get_x>(),
//       D::attribute<"ZERO", &zero>(),
//       D::slot<"__add__($self, rhs)", &add>(),
//       D::slot<"__radd__($self, lhs)", &radd>(),
//   };
//
// Bodies take and return C++ values: parameters are converted by their
// casters (convert.hpp), results wrapped as new objects (Wrap). Every entry
// point is generated here, parses its arguments against the text signature,
// and turns any C++ exception into a Python exception; a body never returns
// NULL or touches reference counts.
#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "object.hpp"
#include "sequence.hpp"
#include "signature.hpp"

namespace vx::bind {

struct ClassAttr {
    const char* name;
    Ref (*make)();
};

// One declared member of a class.
struct Entry {
    enum class Kind { Method, Getter, Attribute, Slots, Constructor } kind;
    PyMethodDef method{};
    PyGetSetDef getset{};
    ClassAttr attribute{};
    std::array<PyType_Slot, 2> slots{};  // Slots, Constructor: slot id 0 ends the list
    const char* doc = nullptr;           // Constructor: the class doc, its text signature
};

// A block of members of one class. A class may spread its members over
// several blocks (say, its frame and its math methods in different files).
struct MethodTable {
    std::vector<Entry> entries;
    MethodTable(std::initializer_list<Entry> e) : entries(e) {}
};

// The type specification of a class beyond its members. By default a class
// is final and lives in vexorin._vexorin under its Python name.
struct ClassDef {
    std::vector<const MethodTable*> blocks;
    // Field names behind __dataclass_fields__ and __dict__ (an empty list
    // gives both empty); nullopt for a class without them.
    std::optional<std::vector<const char*>> fields = std::nullopt;
    // Added to Py_TPFLAGS_DEFAULT: Py_TPFLAGS_BASETYPE makes the class a base
    // for Python classes, Py_TPFLAGS_DISALLOW_INSTANTIATION removes its
    // constructor (and that of Python subclasses).
    unsigned long flags = 0;
    PyTypeObject* (*base)() = nullptr;  // null: object; else e.g. &type_object<PyShape>
    const char* qualname = nullptr;     // null: the Python name; e.g. "Shape.Sphere"
    const char* module = "vexorin._vexorin";
};

// ---- calling a body ----

template <class F>
struct fn_traits;
template <class R, class... A>
struct fn_traits<R (*)(A...)> {
    using result = R;
    using args = std::tuple<A...>;
    static constexpr std::size_t arity = sizeof...(A);
};

// f(), its failure noted "while processing '<name>'" as an argument's: for
// the part of an argument's reading that a body does itself.
template <class F>
auto noted(std::string_view name, F f) -> decltype(f()) {
    try {
        return f();
    } catch (const Error& e) {
        set_error(e);
    } catch (const PythonError&) {
    }
    // name may point into a longer text: copy it.
    std::string n(name);
    add_argument_note(n.c_str());
    throw PythonError{};
}

// Converts one argument; a failure gets the note naming the parameter.
template <class T>
T convert_argument(PyObject* o, std::string_view name) {
    if constexpr (is_optional<T>::value) {
        if (!o) return std::nullopt;
    } else if constexpr (requires { Caster<T>::absent(); }) {
        if (!o) return Caster<T>::absent();
    }
    return noted(name, [o] { return cast<T>(o); });
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

template <class Tuple, std::size_t... I>
Tuple convert_all(PyObject** slots, const Signature& sig, std::index_sequence<I...>) {
    // Braced initialisation evaluates left to right: arguments are converted
    // in signature order, so the first bad one is the one reported.
    return Tuple{convert_argument<std::tuple_element_t<I, Tuple>>(slots[I], sig.params[I].name)...};
}

// Takes self's borrow, then converts the arguments in signature order, then
// calls F: a converter that re-enters self (a duck-typed argument whose getter
// calls a method of self) meets the borrow. Returns F's result.
template <class Cls, fixed_string Sig, auto F>
typename fn_traits<decltype(F)>::result call_raw(PyObject* self, PyObject** slots) {
    static constexpr Signature sig = parse_signature(Sig.view());
    using Tr = fn_traits<decltype(F)>;
    constexpr std::size_t skip = sig.has_self ? 1 : 0;
    static_assert(Tr::arity == sig.count + skip, "C++ parameters do not match the text signature");
    using Args = typename drop_front<typename Tr::args, skip>::type;
    constexpr auto indexes = std::make_index_sequence<sig.count>{};
    if constexpr (sig.has_self) {
        using SelfT = std::tuple_element_t<0, typename Tr::args>;
        auto&& s = SelfCaster<Cls, SelfT>::from(self);
        Args args = convert_all<Args>(slots, sig, indexes);
        return [&]<std::size_t... I>(std::index_sequence<I...>) -> typename Tr::result {
            return F(s, std::get<I>(std::move(args))...);
        }(indexes);
    } else {
        Args args = convert_all<Args>(slots, sig, indexes);
        return std::apply(F, std::move(args));
    }
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

// The exception guard of every entry point: runs f, or sets the Python error
// for whatever it threw and returns `failed`.
template <class R, class F>
R guarded(R failed, F f) noexcept {
    try {
        return f();
    } catch (...) {
        set_error_from_current_exception();
        return failed;
    }
}

template <class Cls, fixed_string Sig, auto F>
PyObject* method_trampoline(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    static constexpr Signature sig = parse_signature(Sig.view());
    return guarded<PyObject*>(nullptr, [&] {
        PyObject* slots[sig.count > 0 ? sig.count : 1];
        bind_arguments(sig, Cls::name, sig.name, args, nargs, kwnames, slots);
        return call_bound<Cls, Sig, F>(self, slots);
    });
}

// The constructor sees tuple/dict arguments; they are laid out as a
// vectorcall so one parser serves both.
template <class Cls, fixed_string Sig, auto F>
PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Signature sig = parse_signature(Sig.view());
    const Py_ssize_t nargs = PyTuple_Size(args);
    const Py_ssize_t nkw = kwargs ? PyDict_Size(kwargs) : 0;
    // Stack room for the common calls; more arguments than parameters only
    // reach the parser's error path.
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
            PyTuple_SetItem(kwnames.get(), k, Ref::borrow(key).release());
            flat[nargs + k] = value;
            ++k;
        }
    }
    PyObject* slots[sig.count > 0 ? sig.count : 1];
    bind_arguments(sig, Cls::name, "__new__", flat, nargs, kwnames.get(), slots);
    return new_object_of_type<Cls>(type, call_raw<Cls, Sig, F>(nullptr, slots));
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

}  // namespace vx::bind

#include "slots.hpp"

namespace vx::bind {

// The declarations of a class's members, as used in its method tables.
template <class Cls>
struct Declare {
    template <fixed_string Sig, auto F>
    static Entry method() {
        static_assert(parse_signature(Sig.view()).has_self, "an instance method's signature starts with $self");
        return method_entry<Cls, Sig, F>(0);
    }
    template <fixed_string Sig, auto F>
    static Entry static_method() {
        static_assert(!parse_signature(Sig.view()).has_self, "a static method takes no $self");
        return method_entry<Cls, Sig, F>(METH_STATIC);
    }
    // A read-only property; F takes the value (or the object).
    template <fixed_string Name, auto F>
    static Entry getter() {
        Entry e{Entry::Kind::Getter};
        e.getset.name = Name.value;
        e.getset.get = [](PyObject* self, void*) noexcept -> PyObject* {
            return guarded<PyObject*>(nullptr, [&] {
                using SelfT = std::tuple_element_t<0, typename fn_traits<decltype(F)>::args>;
                auto&& s = SelfCaster<Cls, SelfT>::from(self);
                return wrap(F(s));
            });
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
    // The constructor: F returns the new object's value. Its text signature
    // is also the class doc, so the class reports it as __text_signature__.
    template <fixed_string Sig, auto F>
    static Entry constructor() {
        static_assert(!parse_signature(Sig.view()).has_self, "a constructor's signature has no $self");
        newfunc fn = [](PyTypeObject* type, PyObject* args, PyObject* kwargs) noexcept -> PyObject* {
            return guarded<PyObject*>(nullptr, [&] { return construct<Cls, Sig, F>(type, args, kwargs); });
        };
        Entry e{Entry::Kind::Constructor};
        e.slots[0] = {Py_tp_new, reinterpret_cast<void*>(fn)};
        e.doc = SigText<Sig>::doc.data();
        return e;
    }
    // One of the interpreter's special operations, named by its dunder
    // method (slots.hpp lists them and what their bodies return).
    template <fixed_string Sig, auto F>
    static Entry slot() {
        return slot_entry<Cls, Sig, F>();
    }
    // Objects compare by identity but cannot be hashed.
    static Entry unhashable() {
        Entry e{Entry::Kind::Slots};
        e.slots[0] = {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)};
        return e;
    }
};

}  // namespace vx::bind
