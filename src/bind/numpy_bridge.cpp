#include "numpy_bridge.hpp"

#include <cstring>
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

void copy_strided(PyArrayObject* a, F64Array& out) {
    const int ndim = PyArray_NDIM(a);
    const npy_intp* dims = PyArray_DIMS(a);
    const npy_intp* strides = PyArray_STRIDES(a);
    const char* base = static_cast<const char*>(PyArray_DATA(a));
    out.ndim = ndim;
    out.rows = static_cast<std::size_t>(dims[0]);
    out.cols = ndim == 2 ? static_cast<std::size_t>(dims[1]) : 0;
    const std::size_t cols = ndim == 2 ? out.cols : 1;
    out.data.resize(out.rows * cols);
    for (std::size_t r = 0; r < out.rows; ++r)
        for (std::size_t c = 0; c < cols; ++c) {
            double v;
            std::memcpy(&v, base + static_cast<npy_intp>(r) * strides[0] + (ndim == 2 ? static_cast<npy_intp>(c) * strides[1] : 0),
                        sizeof v);
            out.data[r * cols + c] = v;
        }
}

[[noreturn]] void dimensionality_mismatch(int from, int to) {
    raise_type_error("dimensionality mismatch:\n from=" + std::to_string(from) + ", to=" + std::to_string(to));
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
    if (PyArray_Check(obj)) {
        auto* a = reinterpret_cast<PyArrayObject*>(obj);
        // Only native-order float64 can be read bit for bit in place.
        if (PyArray_TYPE(a) == NPY_FLOAT64 && PyArray_ISNOTSWAPPED(a) && PyArray_NDIM(a) == ndim) {
            copy_strided(a, out);
            return out;
        }
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
            out.ndim = 1;
            out.rows = values->size();
            out.data = std::move(*values);
            return out;
        }
    }
    PyArray_Descr* f64 = PyArray_DescrFromType(NPY_FLOAT64);
    Ref converted = check(PyArray_FromAny(obj, f64, 0, 0, NPY_ARRAY_DEFAULT, nullptr));
    auto* a = reinterpret_cast<PyArrayObject*>(converted.get());
    if (PyArray_NDIM(a) != ndim) dimensionality_mismatch(PyArray_NDIM(a), ndim);
    copy_strided(a, out);
    return out;
}

}  // namespace vx::bind
