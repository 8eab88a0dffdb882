#pragma once
// Errors cross the native code as C++ exceptions and become Python exceptions
// only in the trampolines, so no body has to remember to return NULL.
#include <stdexcept>
#include <string>

#include "handle.hpp"

namespace vx::bind {

// A Python error is already set in the interpreter.
struct PythonError {};

// A Python exception of type `type` with `message`, not yet raised.
struct Error {
    PyObject* type;
    std::string message;
};

[[noreturn]] inline void throw_python_error() { throw PythonError{}; }
[[noreturn]] inline void raise(PyObject* type, std::string message) {
    throw Error{type, std::move(message)};
}
[[noreturn]] inline void raise_type_error(std::string m) { raise(PyExc_TypeError, std::move(m)); }
[[noreturn]] inline void raise_value_error(std::string m) { raise(PyExc_ValueError, std::move(m)); }
[[noreturn]] inline void raise_index_error(std::string m) { raise(PyExc_IndexError, std::move(m)); }
[[noreturn]] inline void raise_runtime_error(std::string m) { raise(PyExc_RuntimeError, std::move(m)); }

// Throws PythonError when `o` is null (the call that produced it set an error).
inline Ref check(PyObject* o) {
    if (!o) throw_python_error();
    return Ref::steal(o);
}
inline void check_status(int status) {
    if (status < 0) throw_python_error();
}

// The class of failures that no body converted: a bug, reported as
// pyo3_runtime.PanicException (derived from BaseException) after a note on
// standard error.
PyObject* panic_exception_type();

// Sets the Python error for whatever the caller caught; call only inside a
// catch block. Always leaves an error set.
void set_error_from_current_exception() noexcept;
// Raises `e` in the interpreter. Bytes of the message that are not UTF-8
// (a quoted token of hostile input) appear as \xNN escapes.
void set_error(const Error& e) noexcept;

// Adds "while processing '{name}'" to the pending exception (where the
// interpreter supports notes); a failure to add it is ignored.
void add_argument_note(const char* name) noexcept;

// "'{type}' object is not an instance of '{target}'" (or "'None' is not ..."),
// the type named by its qualified name.
std::string not_instance_message(PyObject* o, const char* target);
[[noreturn]] void raise_not_instance(PyObject* o, const char* target);
// collections.abc.Sequence (borrowed), imported on first need.
PyObject* sequence_abc();
// The same TypeError naming collections.abc.Sequence.
[[noreturn]] void raise_not_sequence(PyObject* o);

// The qualified name of the type of `o` ("Shape.Ray"), or
// "<failed to extract type name>".
std::string type_name(PyObject* o);
// str(o), or a placeholder if that fails.
std::string str_of(PyObject* o);

// Whether an exception type is an ordinary error, one that a "try this form,
// then that one" chain may discard: an Exception other than MemoryError and
// RecursionError. KeyboardInterrupt, SystemExit and every other
// BaseException must reach the caller unchanged.
bool is_ordinary_error(PyObject* type) noexcept;
// Clears the pending error when it is ordinary; otherwise leaves it set and
// throws PythonError.
void discard_ordinary_error();

}  // namespace vx::bind
