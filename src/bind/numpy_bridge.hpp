#pragma once
// The module's only contact with NumPy: float64 arrays in and out. NumPy is
// imported on first use, so the module imports without it.
#include <cstddef>
#include <vector>

#include "convert.hpp"
#include "handle.hpp"

namespace vx::bind {

// A new C-contiguous, writeable float64 array owning a copy of `data`
// (row-major): one-dimensional of length `rows` when cols == 0, else rows x cols.
Ref new_f64_array(const double* data, std::size_t rows, std::size_t cols = 0);

struct F64Array {
    std::vector<double> data;  // row-major
    int ndim = 0;
    std::size_t rows = 0, cols = 0;  // cols is 0 for one dimension
};

// Reads `obj` as a float64 array of `ndim` dimensions (1 or 2): a float64
// NumPy array of that many dimensions is read in place (any strides); for one
// dimension a sequence that is no str is first read item by item with the
// float conversion; anything else goes through NumPy's conversion to float64,
// whose error (or a dimensionality mismatch) is raised.
F64Array read_f64_array(PyObject* obj, int ndim);

// Parameters read as float64 arrays of one or two dimensions (a failure is
// the conversion's error, noted with the parameter's name).
template <int Dims>
struct ArrayArg {
    F64Array array;
};
template <int Dims>
struct Caster<ArrayArg<Dims>> {
    static ArrayArg<Dims> from(PyObject* o) { return {read_f64_array(o, Dims)}; }
};

}  // namespace vx::bind
