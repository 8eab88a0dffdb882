#include "numpy_bridge.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "convert.hpp"
#include "error.hpp"

#define PY_ARRAY_UNIQUE_SYMBOL vx_numpy_api
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

namespace vx::bind {

namespace {

// Loads NumPy's array-API table once per process: numpy.lib.NumpyVersion of
// numpy.__version__ chooses between numpy._core.multiarray (NumPy 2) and
// numpy.core.multiarray, whose _ARRAY_API capsule holds the table.
void ensure_numpy() {
    if (vx_numpy_api) return;
    Ref numpy = check(PyImport_ImportModule("numpy"));
    Ref version = check(PyObject_GetAttrString(numpy.get(), "__version__"));
    Ref lib = check(PyImport_ImportModule("numpy.lib"));
    Ref nv_class = check(PyObject_GetAttrString(lib.get(), "NumpyVersion"));
    Ref nv = check(PyObject_CallFunctionObjArgs(nv_class.get(), version.get(), nullptr));
    Ref major_obj = check(PyObject_GetAttrString(nv.get(), "major"));
    long major = PyLong_AsLong(major_obj.get());
    if (major == -1 && PyErr_Occurred()) throw_python_error();
    const char* name = major >= 2 ? "numpy._core.multiarray" : "numpy.core.multiarray";
    Ref multiarray = check(PyImport_ImportModule(name));
    Ref capsule = check(PyObject_GetAttrString(multiarray.get(), "_ARRAY_API"));
    void* table = PyCapsule_GetPointer(capsule.get(), nullptr);
    if (!table) throw_python_error();
    vx_numpy_api = static_cast<void**>(table);
}

// Visits the elements of a 1-D or 2-D array in row-major order, any
// strides: f(k, p) with k the element's row-major number and p its address.
template <class F>
void for_each_element(PyArrayObject* a, F f) {
    const int ndim = PyArray_NDIM(a);
    const npy_intp* dims = PyArray_DIMS(a);
    const npy_intp* strides = PyArray_STRIDES(a);
    const char* base = static_cast<const char*>(PyArray_DATA(a));
    const npy_intp rows = dims[0], cols = ndim == 2 ? dims[1] : 1;
    const npy_intp column_stride = ndim == 2 ? strides[1] : 0;
    for (npy_intp r = 0; r < rows; ++r)
        for (npy_intp c = 0; c < cols; ++c)
            f(static_cast<std::size_t>(r * cols + c), base + r * strides[0] + c * column_stride);
}

// A float64 array's elements, bit for bit.
void copy_f64(PyArrayObject* a, std::span<double> out) {
    for_each_element(a, [&](std::size_t k, const char* p) { std::memcpy(&out[k], p, sizeof(double)); });
}

// An object array's elements through the float conversion.
void copy_objects(PyArrayObject* a, std::span<double> out) {
    for_each_element(a, [&](std::size_t k, const char* p) {
        PyObject* item;
        std::memcpy(&item, p, sizeof item);
        out[k] = cast<double>(item ? item : Py_None);
    });
}

[[noreturn]] void dimensionality_mismatch(int from, int to) {
    raise_type_error("dimensionality mismatch:\n from=" + std::to_string(from) + ", to=" + std::to_string(to));
}

// NumPy's conversion of `obj` to float64 under its safe casting rule.
Ref to_f64_safely(PyObject* obj) {
    return check(PyArray_FromAny(obj, PyArray_DescrFromType(NPY_FLOAT64), 0, 0, NPY_ARRAY_DEFAULT, nullptr));
}

}  // namespace

Ref new_f64_array(const double* data, std::size_t rows, std::size_t cols) {
    ensure_numpy();
    npy_intp dims[2] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(cols)};
    const int nd = cols == 0 ? 1 : 2;
    Ref a = check(PyArray_SimpleNew(nd, dims, NPY_FLOAT64));
    std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(a.get())), data,
                rows * (cols == 0 ? 1 : cols) * sizeof(double));
    return a;
}

F64Array read_f64_array(PyObject* obj, int ndim) {
    ensure_numpy();
    F64Array out;
    out.ndim = ndim;
    auto take_array = [&](Ref array) {
        auto* a = reinterpret_cast<PyArrayObject*>(array.get());
        if (PyArray_NDIM(a) != ndim) dimensionality_mismatch(PyArray_NDIM(a), ndim);
        out.rows = static_cast<std::size_t>(PyArray_DIMS(a)[0]);
        out.cols = ndim == 2 ? static_cast<std::size_t>(PyArray_DIMS(a)[1]) : 0;
        out.array_ = std::move(array);
    };
    if (PyArray_Check(obj)) {
        auto* a = reinterpret_cast<PyArrayObject*>(obj);
        if (PyArray_NDIM(a) != ndim) dimensionality_mismatch(PyArray_NDIM(a), ndim);
        const char kind = PyArray_DESCR(a)->kind;
        const bool native_f64 = PyArray_TYPE(a) == NPY_FLOAT64 && PyArray_ISNOTSWAPPED(a);
        if (native_f64 || kind == 'O') {
            take_array(Ref::borrow(obj));
        } else if (kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f') {
            // Converted when copied: after the caller has checked the shape.
            take_array(Ref::borrow(obj));
            out.convert_ = true;
        } else {
            take_array(to_f64_safely(obj));
        }
        return out;
    }
    if (ndim == 1 && PySequence_Check(obj) && !PyUnicode_Check(obj)) {
        std::optional<std::vector<double>> values = try_call([obj] {
            const Py_ssize_t n = PySequence_Size(obj);
            if (n < 0) throw_python_error();
            std::vector<double> v;
            for (Py_ssize_t i = 0; i < n; ++i) {
                Ref item = check(PySequence_GetItem(obj, i));
                v.push_back(cast<double>(item.get()));
            }
            return v;
        });
        if (values) {
            out.rows = values->size();
            out.values_ = std::move(*values);
            return out;
        }
    }
    take_array(to_f64_safely(obj));
    return out;
}

void F64Array::copy_to(std::span<double> out) const {
    if (!array_) {
        std::copy(values_.begin(), values_.end(), out.begin());
        return;
    }
    auto* a = reinterpret_cast<PyArrayObject*>(array_.get());
    if (PyArray_DESCR(a)->kind == 'O') return copy_objects(a, out);
    if (!convert_) return copy_f64(a, out);
    Ref converted = check(
        PyArray_FromAny(array_.get(), PyArray_DescrFromType(NPY_FLOAT64), 0, 0, NPY_ARRAY_DEFAULT | NPY_ARRAY_FORCECAST, nullptr));
    copy_f64(reinterpret_cast<PyArrayObject*>(converted.get()), out);
}

Ref array_protocol(Ref fresh, PyObject* dtype, PyObject* copy) {
    if (copy && copy != Py_None) {
        const int wanted = PyObject_IsTrue(copy);
        if (wanted < 0) throw_python_error();
        if (!wanted) raise_value_error("Unable to avoid copy while creating an array as requested.");
    }
    if (!dtype || dtype == Py_None) return fresh;
    return check(PyObject_CallMethod(fresh.get(), "astype", "O", dtype));
}

}  // namespace vx::bind
