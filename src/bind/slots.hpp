#pragma once
// The interpreter's special operations, declared like methods:
//   D::slot<"__repr__($self)", &repr>()
// The dunder name picks the slot; F's first parameter receives self as a
// method's does (SelfCaster: shared borrow for classes with flags).
//
//   __repr__ __str__ __iter__      F(self) -> any result (a str for the texts)
//   __neg__ __pos__ __abs__ __invert__ __int__ __float__ __index__
//                                  F(self) -> any result
//   __bool__                       F(self) -> bool
//   __hash__                       F(self) -> integer (-1 becomes -2)
//   __len__                        F(self) -> integer; also the sequence length
//   __getitem__($self, idx)        F(self, Key) -> any result; Key converted
//                                  by its caster with the note naming idx.
//                                  Also the sequence item slot (so the
//                                  interpreter's sequence check passes and
//                                  iteration visits items 0, 1, ... until
//                                  IndexError).
//   __next__                       F(self) -> std::optional<T>: empty ends
//                                  the iteration
//   __eq__($self, other)           F(self, Other) -> bool or optional<bool>;
//                                  != is its negation, ordering is
//                                  NotImplemented
//   __add__ __sub__ __mul__ __truediv__ __floordiv__ __mod__ __matmul__
//   __and__ __or__ __xor__ __lshift__ __rshift__ ($self, other)
//                                  F(self, Other) -> T or optional<T>
//   __radd__ ... __rrshift__ ($self, other)
//                                  the reflected form: self is the right
//                                  operand, other the left one
//
// For __eq__ and the number operators, an Other other than PyObject* is
// converted with try_cast: a refused operand (an ordinary error, discarded)
// answers NotImplemented, as does an empty optional result. A binary slot
// tries the forward body when the left operand is an instance, then the
// reflected body when the right one is, and answers NotImplemented when
// neither applies.
#include <limits>
#include <string_view>

namespace vx::bind {

enum class SlotKind { Unknown, Unary, Bool, Hash, Len, GetItem, Next, Eq, Binary, Reflected };

struct SlotInfo {
    SlotKind kind;
    int id;
};

constexpr SlotInfo slot_info(std::string_view name) {
    struct Row {
        std::string_view name;
        SlotInfo info;
    };
    constexpr Row rows[] = {
        {"__repr__", {SlotKind::Unary, Py_tp_repr}},
        {"__str__", {SlotKind::Unary, Py_tp_str}},
        {"__iter__", {SlotKind::Unary, Py_tp_iter}},
        {"__neg__", {SlotKind::Unary, Py_nb_negative}},
        {"__pos__", {SlotKind::Unary, Py_nb_positive}},
        {"__abs__", {SlotKind::Unary, Py_nb_absolute}},
        {"__invert__", {SlotKind::Unary, Py_nb_invert}},
        {"__int__", {SlotKind::Unary, Py_nb_int}},
        {"__float__", {SlotKind::Unary, Py_nb_float}},
        {"__index__", {SlotKind::Unary, Py_nb_index}},
        {"__bool__", {SlotKind::Bool, Py_nb_bool}},
        {"__hash__", {SlotKind::Hash, Py_tp_hash}},
        {"__len__", {SlotKind::Len, Py_mp_length}},
        {"__getitem__", {SlotKind::GetItem, Py_mp_subscript}},
        {"__next__", {SlotKind::Next, Py_tp_iternext}},
        {"__eq__", {SlotKind::Eq, Py_tp_richcompare}},
        {"__add__", {SlotKind::Binary, Py_nb_add}},
        {"__sub__", {SlotKind::Binary, Py_nb_subtract}},
        {"__mul__", {SlotKind::Binary, Py_nb_multiply}},
        {"__truediv__", {SlotKind::Binary, Py_nb_true_divide}},
        {"__floordiv__", {SlotKind::Binary, Py_nb_floor_divide}},
        {"__mod__", {SlotKind::Binary, Py_nb_remainder}},
        {"__matmul__", {SlotKind::Binary, Py_nb_matrix_multiply}},
        {"__and__", {SlotKind::Binary, Py_nb_and}},
        {"__or__", {SlotKind::Binary, Py_nb_or}},
        {"__xor__", {SlotKind::Binary, Py_nb_xor}},
        {"__lshift__", {SlotKind::Binary, Py_nb_lshift}},
        {"__rshift__", {SlotKind::Binary, Py_nb_rshift}},
        {"__radd__", {SlotKind::Reflected, Py_nb_add}},
        {"__rsub__", {SlotKind::Reflected, Py_nb_subtract}},
        {"__rmul__", {SlotKind::Reflected, Py_nb_multiply}},
        {"__rtruediv__", {SlotKind::Reflected, Py_nb_true_divide}},
        {"__rfloordiv__", {SlotKind::Reflected, Py_nb_floor_divide}},
        {"__rmod__", {SlotKind::Reflected, Py_nb_remainder}},
        {"__rmatmul__", {SlotKind::Reflected, Py_nb_matrix_multiply}},
        {"__rand__", {SlotKind::Reflected, Py_nb_and}},
        {"__ror__", {SlotKind::Reflected, Py_nb_or}},
        {"__rxor__", {SlotKind::Reflected, Py_nb_xor}},
        {"__rlshift__", {SlotKind::Reflected, Py_nb_lshift}},
        {"__rrshift__", {SlotKind::Reflected, Py_nb_rshift}},
    };
    for (const Row& r : rows)
        if (r.name == name) return r.info;
    return {SlotKind::Unknown, 0};
}

inline PyObject* not_implemented() { return Ref::borrow(Py_NotImplemented).release(); }

// A number or comparison body's result: an empty optional is NotImplemented.
template <class R>
PyObject* operator_result(R&& r) {
    if constexpr (is_optional<std::decay_t<R>>::value) {
        if (!r) return not_implemented();
        return wrap(std::move(*r));
    } else {
        return wrap(std::forward<R>(r));
    }
}

// Calls F(self, other) with `other` converted by try_cast (unless F takes the
// object); nullopt when the operand is refused.
template <class Cls, auto F, class Then>
PyObject* with_operand(PyObject* self, PyObject* other, Then then) {
    using Tr = fn_traits<decltype(F)>;
    static_assert(Tr::arity == 2, "an operator body takes self and the other operand");
    using SelfT = std::tuple_element_t<0, typename Tr::args>;
    using OtherT = stored_t<std::tuple_element_t<1, typename Tr::args>>;
    auto&& s = SelfCaster<Cls, SelfT>::from(self);
    if constexpr (std::is_same_v<OtherT, PyObject*>) {
        return then(F(s, other));
    } else {
        std::optional<OtherT> o = try_cast<OtherT>(other);
        if (!o) return not_implemented();
        return then(F(s, std::move(*o)));
    }
}

template <class Cls, auto F>
PyObject* operator_body(PyObject* self, PyObject* other) {
    return with_operand<Cls, F>(self, other, [](auto&& r) { return operator_result(std::move(r)); });
}

// The forward and reflected bodies of one binary slot of Cls, filled in by
// their declarations before the class object is created.
template <class Cls, int Id>
struct BinaryBodies {
    static inline PyObject* (*forward)(PyObject*, PyObject*) = nullptr;
    static inline PyObject* (*reflected)(PyObject*, PyObject*) = nullptr;
};

template <class Cls, int Id>
PyObject* binary_slot(PyObject* a, PyObject* b) noexcept {
    return guarded<PyObject*>(nullptr, [&] {
        using B = BinaryBodies<Cls, Id>;
        if (B::forward && is_instance<Cls>(a)) {
            PyObject* r = B::forward(a, b);
            if (r != Py_NotImplemented) return r;
            Py_DECREF(r);
        }
        if (B::reflected && is_instance<Cls>(b)) return B::reflected(b, a);
        return not_implemented();
    });
}

template <class Cls, auto F>
PyObject* richcompare_slot(PyObject* a, PyObject* b, int op) noexcept {
    return guarded<PyObject*>(nullptr, [&] {
        if (op < Py_LT || op > Py_GE) raise_value_error("invalid comparison operator");
        if (op != Py_EQ && op != Py_NE) return not_implemented();
        return with_operand<Cls, F>(a, b, [op](auto&& r) -> PyObject* {
            std::optional<bool> equal = r;
            if (!equal) return not_implemented();
            return wrap(op == Py_EQ ? *equal : !*equal);
        });
    });
}

template <class Cls, fixed_string Sig, auto F>
PyObject* unary_slot(PyObject* self) noexcept {
    return guarded<PyObject*>(nullptr, [&] { return call_bound<Cls, Sig, F>(self, nullptr); });
}

template <class Cls, fixed_string Sig, auto F>
int bool_slot(PyObject* self) noexcept {
    return guarded<int>(-1, [&] { return call_raw<Cls, Sig, F>(self, nullptr) ? 1 : 0; });
}

template <class Cls, fixed_string Sig, auto F>
Py_hash_t hash_slot(PyObject* self) noexcept {
    return guarded<Py_hash_t>(-1, [&] {
        const auto h = static_cast<Py_hash_t>(call_raw<Cls, Sig, F>(self, nullptr));
        return h == -1 ? Py_hash_t{-2} : h;
    });
}

template <class Cls, fixed_string Sig, auto F>
Py_ssize_t len_slot(PyObject* self) noexcept {
    return guarded<Py_ssize_t>(-1, [&] {
        const auto n = call_raw<Cls, Sig, F>(self, nullptr);
        if (static_cast<unsigned long long>(n) > static_cast<unsigned long long>(PY_SSIZE_T_MAX))
            raise(PyExc_OverflowError, "length does not fit in the signed size range");
        return static_cast<Py_ssize_t>(n);
    });
}

template <class Cls, fixed_string Sig, auto F>
PyObject* subscript_slot(PyObject* self, PyObject* key) noexcept {
    return guarded<PyObject*>(nullptr, [&] { return call_bound<Cls, Sig, F>(self, &key); });
}
template <class Cls, fixed_string Sig, auto F>
PyObject* item_slot(PyObject* self, Py_ssize_t i) noexcept {
    return guarded<PyObject*>(nullptr, [&] {
        Ref key = check(PyLong_FromSsize_t(i));
        PyObject* k = key.get();
        return call_bound<Cls, Sig, F>(self, &k);
    });
}

template <class Cls, fixed_string Sig, auto F>
PyObject* next_slot(PyObject* self) noexcept {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        auto r = call_raw<Cls, Sig, F>(self, nullptr);
        static_assert(is_optional<decltype(r)>::value, "__next__ returns an optional: empty ends the iteration");
        if (!r) return nullptr;  // no error set: the iteration is over
        return wrap(std::move(*r));
    });
}

template <class Cls, fixed_string Sig, auto F>
Entry slot_entry() {
    static constexpr Signature sig = parse_signature(Sig.view());
    static_assert(sig.has_self, "a slot's signature starts with $self");
    constexpr SlotInfo info = slot_info(sig.name);
    static_assert(info.kind != SlotKind::Unknown, "no such slot");
    constexpr bool takes_operand =
        info.kind == SlotKind::GetItem || info.kind == SlotKind::Eq || info.kind == SlotKind::Binary ||
        info.kind == SlotKind::Reflected;
    static_assert(sig.count == (takes_operand ? 1 : 0), "wrong number of parameters for this slot");
    Entry e{Entry::Kind::Slots};
    auto fn = [](auto f) { return reinterpret_cast<void*>(f); };
    if constexpr (info.kind == SlotKind::Unary) {
        e.slots[0] = {info.id, fn(&unary_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::Bool) {
        e.slots[0] = {info.id, fn(&bool_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::Hash) {
        e.slots[0] = {info.id, fn(&hash_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::Len) {
        e.slots[0] = {Py_mp_length, fn(&len_slot<Cls, Sig, F>)};
        e.slots[1] = {Py_sq_length, fn(&len_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::GetItem) {
        e.slots[0] = {Py_mp_subscript, fn(&subscript_slot<Cls, Sig, F>)};
        e.slots[1] = {Py_sq_item, fn(&item_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::Next) {
        e.slots[0] = {info.id, fn(&next_slot<Cls, Sig, F>)};
    } else if constexpr (info.kind == SlotKind::Eq) {
        e.slots[0] = {info.id, fn(&richcompare_slot<Cls, F>)};
    } else {
        if constexpr (info.kind == SlotKind::Binary)
            BinaryBodies<Cls, info.id>::forward = &operator_body<Cls, F>;
        else
            BinaryBodies<Cls, info.id>::reflected = &operator_body<Cls, F>;
        e.slots[0] = {info.id, fn(&binary_slot<Cls, info.id>)};
    }
    return e;
}

}  // namespace vx::bind
