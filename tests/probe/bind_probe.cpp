// A test-only extension over the binding core: small classes that exercise
// what the module's own classes use only in part (borrow flags and their
// order against argument conversion, the sequence and instance casters,
// try_cast, every slot kind, a subclassable base with final qualified
// subclasses). Built beside the module for the Python tests; never installed.
#include <optional>
#include <string>
#include <vector>

#include "bind/class.hpp"
#include "bind/names.hpp"

namespace probe {

using namespace vx::bind;

// ---- Bag: a mutable list of floats with a borrow flag ----

struct PyBag {
    using Value = std::vector<double>;
    static constexpr const char* name = "Bag";
    static constexpr bool borrowed = true;
    static const ClassDef& def();
};

std::vector<double> bag_new(OrNone<std::vector<double>> items) { return items.value.value_or(std::vector<double>{}); }
// Exclusive borrow, taken before `x` is converted.
void push(std::vector<double>& bag, double x) { bag.push_back(x); }
// Exclusive borrow of self; `other` copied under its own shared borrow.
void include(std::vector<double>& bag, InstanceOf<PyBag> other) {
    bag.insert(bag.end(), other.value.begin(), other.value.end());
}
// Shared borrows of self and of `other`, held while the body runs.
std::size_t common_length(const std::vector<double>& bag, SharedRef<PyBag> other) {
    return std::min(bag.size(), other->size());
}
double total(const std::vector<double>& bag) {
    double s = 0;
    for (double x : bag) s += x;
    return s;
}
// Shared borrow, taken before `factor` is converted.
double scaled_total(const std::vector<double>& bag, double factor) { return total(bag) * factor; }
std::vector<double> items(const std::vector<double>& bag) { return bag; }
std::string bag_repr(const std::vector<double>& bag) { return "Bag(len=" + std::to_string(bag.size()) + ")"; }
std::size_t bag_len(const std::vector<double>& bag) { return bag.size(); }
double bag_item(const std::vector<double>& bag, Index index) {
    long long i = index.value < 0 ? index.value + static_cast<long long>(bag.size()) : index.value;
    if (i < 0 || i >= static_cast<long long>(bag.size())) raise_index_error("Bag index out of range");
    return bag[static_cast<std::size_t>(i)];
}
// Bag + number: a new bag, every item moved; number + Bag the same; anything
// else NotImplemented.
New<PyBag> bag_add(const std::vector<double>& bag, double x) {
    std::vector<double> r = bag;
    for (double& v : r) v += x;
    return {r};
}
std::optional<bool> bag_eq(const std::vector<double>& bag, PyObject* other) {
    std::optional<std::vector<double>> o = try_cast<std::vector<double>>(other);
    if (!o) return std::nullopt;
    return *o == bag;
}
bool bag_bool(const std::vector<double>& bag) { return !bag.empty(); }
long long bag_hash(const std::vector<double>& bag) { return bag.empty() ? -1 : static_cast<long long>(bag.size()); }

const MethodTable bag_methods = [] {
    using D = Declare<PyBag>;
    return MethodTable{
        D::constructor<"Bag(items=None)", &bag_new>(),
        D::method<"push($self, x)", &push>(),
        D::method<"include($self, other)", &include>(),
        D::method<"common_length($self, other)", &common_length>(),
        D::method<"total($self)", &total>(),
        D::method<"scaled_total($self, factor)", &scaled_total>(),
        D::method<"items($self)", &items>(),
        D::slot<"__repr__($self)", &bag_repr>(),
        D::slot<"__len__($self)", &bag_len>(),
        D::slot<"__getitem__($self, idx)", &bag_item>(),
        D::slot<"__add__($self, rhs)", &bag_add>(),
        D::slot<"__radd__($self, lhs)", &bag_add>(),
        D::slot<"__eq__($self, other)", &bag_eq>(),
        D::slot<"__bool__($self)", &bag_bool>(),
        D::slot<"__hash__($self)", &bag_hash>(),
    };
}();

const ClassDef& PyBag::def() {
    static const ClassDef d{.blocks = {&bag_methods}, .fields = std::vector<const char*>{}};
    return d;
}

// ---- Countdown: an iterator ----

struct PyCountdown {
    using Value = long long;
    static constexpr const char* name = "Countdown";
    static constexpr bool borrowed = true;
    static const ClassDef& def();
};
long long countdown_new(Index from) { return from.value; }
Ref countdown_iter(PyObject* self) { return Ref::borrow(self); }
std::optional<long long> countdown_next(long long& left) {
    if (left <= 0) return std::nullopt;
    return left--;
}
const MethodTable countdown_methods = [] {
    using D = Declare<PyCountdown>;
    return MethodTable{
        D::constructor<"Countdown(start)", &countdown_new>(),
        D::slot<"__iter__($self)", &countdown_iter>(),
        D::slot<"__next__($self)", &countdown_next>(),
    };
}();
const ClassDef& PyCountdown::def() {
    static const ClassDef d{.blocks = {&countdown_methods}};
    return d;
}

// ---- Kind: a subclassable base that cannot be instantiated, with final
// subclasses named Kind.Small and Kind.Large ----

struct PyKind {
    using Value = long long;
    static constexpr const char* name = "Kind";
    static const ClassDef& def();
};
struct PySmall {
    using Value = long long;
    static constexpr const char* name = "Small";
    static const ClassDef& def();
};
struct PyLarge {
    using Value = long long;
    static constexpr const char* name = "Large";
    static const ClassDef& def();
};

long long kind_new(Index n) { return n.value; }
long long kind_value(long long v) { return v; }
Ref match_args() { return check(Py_BuildValue("(s)", "_0")); }

const MethodTable kind_methods = [] {
    using D = Declare<PyKind>;
    return MethodTable{
        D::attribute<"Small", &class_ref<PySmall>>(),
        D::attribute<"Large", &class_ref<PyLarge>>(),
        D::getter<"_0", &kind_value>(),
    };
}();
const ClassDef& PyKind::def() {
    static const ClassDef d{
        .blocks = {&kind_methods},
        .fields = std::vector<const char*>{},
        .flags = Py_TPFLAGS_BASETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    };
    return d;
}
template <class Cls, fixed_string Sig>
const MethodTable& variant_methods() {
    static const MethodTable t = {
        Declare<Cls>::template constructor<Sig, &kind_new>(),
        Declare<Cls>::template attribute<"__match_args__", &match_args>(),
    };
    return t;
}
const ClassDef& PySmall::def() {
    static const ClassDef d{.blocks = {&variant_methods<PySmall, "Small(_0)">()},
                            .base = &type_object<PyKind>,
                            .qualname = "Kind.Small"};
    return d;
}
const ClassDef& PyLarge::def() {
    static const ClassDef d{.blocks = {&variant_methods<PyLarge, "Large(_0)">()},
                            .base = &type_object<PyKind>,
                            .qualname = "Kind.Large"};
    return d;
}

// ---- Casts: the casters on their own ----

struct PyCasts {
    using Value = int;
    static constexpr const char* name = "Casts";
    static const ClassDef& def();
};
std::vector<double> floats(std::vector<double> items) { return items; }
std::vector<std::vector<double>> nested(std::vector<std::array<double, 2>> pairs) {
    std::vector<std::vector<double>> r;
    for (auto& p : pairs) r.push_back({p[0], p[1]});
    return r;
}
std::tuple<double, long long> pair(std::pair<double, Index> p) { return {p.first, p.second.value}; }
std::size_t unsigned_index(UnsignedIndex i) { return i.value; }
long long signed_index(Index i) { return i.value; }
// The float conversion's value, or None for an ordinary error.
std::optional<double> maybe_float(PyObject* o) { return try_cast<double>(o); }
long long kind_of(InstanceOf<PyKind> k) { return k.value; }
long long small_of(InstanceOf<PySmall> k) { return k.value; }
Ref text(Str s) { return check(PyBytes_FromStringAndSize(s.text.data(), static_cast<Py_ssize_t>(s.text.size()))); }
double attribute_x(PyObject* o) { return cast<double>(get_attr(o, interned<"x">()).get()); }

const MethodTable casts_methods = [] {
    using D = Declare<PyCasts>;
    return MethodTable{
        D::static_method<"floats(items)", &floats>(),
        D::static_method<"nested(pairs)", &nested>(),
        D::static_method<"pair(p)", &pair>(),
        D::static_method<"unsigned_index(i)", &unsigned_index>(),
        D::static_method<"signed_index(i)", &signed_index>(),
        D::static_method<"maybe_float(o)", &maybe_float>(),
        D::static_method<"kind_of(k)", &kind_of>(),
        D::static_method<"small_of(k)", &small_of>(),
        D::static_method<"text(s)", &text>(),
        D::static_method<"attribute_x(o)", &attribute_x>(),
    };
}();
const ClassDef& PyCasts::def() {
    static const ClassDef d{.blocks = {&casts_methods}, .flags = Py_TPFLAGS_DISALLOW_INSTANTIATION};
    return d;
}

int exec_module(PyObject* module) noexcept {
    return guarded<int>(-1, [&] {
        check_status(PyModule_AddObjectRef(module, "Bag", reinterpret_cast<PyObject*>(type_object<PyBag>())));
        check_status(
            PyModule_AddObjectRef(module, "Countdown", reinterpret_cast<PyObject*>(type_object<PyCountdown>())));
        check_status(PyModule_AddObjectRef(module, "Kind", reinterpret_cast<PyObject*>(type_object<PyKind>())));
        check_status(PyModule_AddObjectRef(module, "Casts", reinterpret_cast<PyObject*>(type_object<PyCasts>())));
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(&exec_module)}, {0, nullptr}};
PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_bind_probe", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr};

}  // namespace probe

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__bind_probe() {
    return PyModuleDef_Init(&probe::module_def);
}
