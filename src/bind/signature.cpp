#include "signature.hpp"

#include <string>
#include <vector>

#include "error.hpp"

namespace vx::bind {

namespace {

std::string display_name(const char* cls, std::string_view method) {
    std::string s;
    if (cls && *cls) {
        s += cls;
        s += '.';
    }
    s += method;
    s += "()";
    return s;
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'"
std::string quoted_list(const std::vector<std::string_view>& names) {
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            if (names.size() > 2) s += ",";
            s += (i + 1 == names.size()) ? " and " : " ";
        }
        s += "'";
        s += names[i];
        s += "'";
    }
    return s;
}

[[noreturn]] void missing(const std::string& fn, const char* kind, const std::vector<std::string_view>& names) {
    std::string m = fn + " missing " + std::to_string(names.size()) + " required " + kind + " " +
                    (names.size() == 1 ? "argument" : "arguments") + ": " + quoted_list(names);
    raise_type_error(m);
}

// A keyword that UTF-8 cannot hold (a lone surrogate) names no parameter:
// the unexpected-keyword error, the name kept as the caller wrote it.
[[noreturn]] void raise_unencodable_keyword(const std::string& fn, PyObject* key) {
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) throw_python_error();
    PyErr_Clear();
    Ref message = check(PyUnicode_FromFormat("%s got an unexpected keyword argument '%U'", fn.c_str(), key));
    PyErr_SetObject(PyExc_TypeError, message.get());
    throw_python_error();
}

}  // namespace

void bind_arguments_slow(const Signature& sig, const char* cls, std::string_view method,
                         PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out) {
    const std::size_t n = static_cast<std::size_t>(nargs);
    for (std::size_t i = 0; i < sig.count; ++i) out[i] = nullptr;

    if (n > sig.positional) {
        std::string fn = display_name(cls, method);
        std::string m = fn + " takes ";
        if (sig.required_positional == sig.positional) {
            m += std::to_string(sig.positional);
        } else {
            m += "from " + std::to_string(sig.required_positional) + " to " + std::to_string(sig.positional);
        }
        m += " positional arguments but " + std::to_string(n) + (n == 1 ? " was" : " were") + " given";
        raise_type_error(m);
    }
    for (std::size_t i = 0; i < n; ++i) out[i] = args[i];

    if (kwnames) {
        Py_ssize_t nkw = PyTuple_Size(kwnames);
        for (Py_ssize_t k = 0; k < nkw; ++k) {
            PyObject* key = PyTuple_GetItem(kwnames, k);
            PyObject* value = args[nargs + k];
            std::size_t found = sig.count;
            Py_ssize_t len = 0;
            const char* utf8 = PyUnicode_AsUTF8AndSize(key, &len);
            if (!utf8) raise_unencodable_keyword(display_name(cls, method), key);
            std::string_view kname(utf8, static_cast<std::size_t>(len));
            for (std::size_t i = 0; i < sig.count; ++i) {
                if (sig.params[i].name == kname) {
                    found = i;
                    break;
                }
            }
            std::string fn = display_name(cls, method);
            if (found == sig.count)
                raise_type_error(fn + " got an unexpected keyword argument '" + std::string(kname) + "'");
            if (out[found]) raise_type_error(fn + " got multiple values for argument '" + std::string(kname) + "'");
            out[found] = value;
        }
    }

    std::vector<std::string_view> absent;
    for (std::size_t i = 0; i < sig.positional; ++i)
        if (!out[i] && !sig.params[i].has_default) absent.push_back(sig.params[i].name);
    if (!absent.empty()) missing(display_name(cls, method), "positional", absent);
    for (std::size_t i = sig.positional; i < sig.count; ++i)
        if (!out[i] && !sig.params[i].has_default) absent.push_back(sig.params[i].name);
    if (!absent.empty()) missing(display_name(cls, method), "keyword", absent);
}

}  // namespace vx::bind
