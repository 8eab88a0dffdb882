#pragma once
// Interned attribute and method names, created once per process on first
// need, and attribute reads through them.
#include "error.hpp"
#include "signature.hpp"

namespace vx::bind {

// The interned str of S, alive for the process: interned<"center">().
template <fixed_string S>
PyObject* interned() {
    static PyObject* name = nullptr;
    if (!name) name = PyUnicode_InternFromString(S.value);
    if (!name) throw_python_error();
    return name;
}

// o.<name>, raising the lookup's error.
inline Ref get_attr(PyObject* o, PyObject* name) { return check(PyObject_GetAttr(o, name)); }

}  // namespace vx::bind
