#pragma once
// The module's only contact with NumPy: float64 arrays in and out. NumPy is
// imported on first use, so the module imports without it.
#include <cstddef>
#include <span>
#include <vector>

#include "convert.hpp"
#include "handle.hpp"

namespace vx::bind {

// A new C-contiguous, writeable float64 array owning a copy of `data`
// (row-major): one-dimensional of length `rows` when cols == 0, else rows x cols.
Ref new_f64_array(const double* data, std::size_t rows, std::size_t cols = 0);

// An argument read as a float64 array of one or two dimensions, its shape
// known before any element is copied or converted, so a caller refuses a
// wrong shape at no cost whatever the array's size.
class F64Array {
public:
    int ndim = 0;
    std::size_t rows = 0, cols = 0;  // cols is 0 for one dimension

    // The elements, row-major, into `out` (rows x max(cols, 1) values).
    // Elements of an object array are read with the float conversion here;
    // its error is raised.
    void copy_to(std::span<double> out) const;

private:
    friend F64Array read_f64_array(PyObject* obj, int ndim);
    Ref array_;                   // a NumPy array of the shape above, or null
    bool convert_ = false;        // a numeric dtype other than native float64
    std::vector<double> values_;  // the numbers of a sequence read item by item
};

// Reads `obj` as a float64 array of `ndim` dimensions (1 or 2). A NumPy
// array must have that many dimensions (else TypeError "dimensionality
// mismatch"); native float64 is read in place (any strides), other real
// numbers and bools are converted and object arrays read element by element
// with the float conversion, both only when copied; complex, text and other
// kinds are refused with NumPy's casting error. For one dimension any other
// sequence that is no str is read item by item with the float conversion;
// anything else (or a sequence that fails) goes through NumPy's conversion to
// float64, whose error is raised.
F64Array read_f64_array(PyObject* obj, int ndim);

// A parameter read as a float64 array of one or two dimensions (a failure is
// the reading's error, noted with the parameter's name).
template <int Dims>
struct ArrayArg {
    F64Array array;
};
template <int Dims>
struct Caster<ArrayArg<Dims>> {
    static ArrayArg<Dims> from(PyObject* o) { return {read_f64_array(o, Dims)}; }
};

// NumPy's __array__(dtype=None, copy=None) over a new array `fresh`: converted
// to `dtype` when one is given; copy=False is refused with ValueError, since
// the result is always a new array.
Ref array_protocol(Ref fresh, PyObject* dtype, PyObject* copy);

}  // namespace vx::bind
