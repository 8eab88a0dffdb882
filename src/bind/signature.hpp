#pragma once
// A method's text signature ("dot($self, rhs)", "Vec3(x=0.0, *, __pickle_state__=None)")
// is the single description of its parameters: it is shown to Python as
// __text_signature__ and, parsed at compile time, drives the argument parser.
#include <algorithm>
#include <cstddef>
#include <string_view>

#include "python.hpp"

namespace vx::bind {

template <std::size_t N>
struct fixed_string {
    char value[N]{};
    constexpr fixed_string(const char (&s)[N]) { std::copy_n(s, N, value); }
    constexpr std::string_view view() const { return {value, N - 1}; }
};

struct Param {
    std::string_view name;
    bool keyword_only = false;
    bool has_default = false;
};

inline constexpr std::size_t kMaxParams = 12;

struct Signature {
    std::string_view name;  // the function name as written before "("
    bool has_self = false;  // first parameter is $self
    std::size_t count = 0;  // parameters after $self
    std::size_t positional = 0;           // parameters that may be given by position
    std::size_t required_positional = 0;  // leading positional parameters without default
    Param params[kMaxParams]{};
};

constexpr std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Plain loops rather than string_view::find: GCC stops folding the library's
// search as a constant when the undefined-behaviour sanitizer instruments it.
constexpr std::size_t first_index_of(std::string_view s, char c) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == c) return i;
    return std::string_view::npos;
}
constexpr std::size_t last_index_of(std::string_view s, char c) {
    for (std::size_t i = s.size(); i > 0; --i)
        if (s[i - 1] == c) return i - 1;
    return std::string_view::npos;
}

// Splits the parameter list at top-level commas (defaults may hold brackets).
constexpr Signature parse_signature(std::string_view text) {
    Signature sig{};
    std::size_t open = first_index_of(text, '(');
    std::size_t close = last_index_of(text, ')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        throw "text signature without a parameter list";
    sig.name = text.substr(0, open);
    std::string_view body = text.substr(open + 1, close - open - 1);
    bool keyword_only = false;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        char c = i < body.size() ? body[i] : ',';
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') --depth;
        if (c != ',' || depth != 0) continue;
        std::string_view item = trim(body.substr(start, i - start));
        start = i + 1;
        if (item.empty()) continue;
        if (item == "*") {
            keyword_only = true;
            continue;
        }
        if (item == "/") continue;
        if (item == "$self") {
            sig.has_self = true;
            continue;
        }
        if (sig.count == kMaxParams) throw "too many parameters";
        Param p{};
        std::size_t eq = first_index_of(item, '=');
        p.name = trim(item.substr(0, eq));
        p.has_default = eq != std::string_view::npos;
        p.keyword_only = keyword_only;
        sig.params[sig.count++] = p;
        if (!keyword_only) {
            ++sig.positional;
            if (!p.has_default && sig.required_positional + 1 == sig.positional) ++sig.required_positional;
        }
    }
    return sig;
}

// Binds vectorcall-style arguments to the parameter slots of `sig`: out[i] is
// the (borrowed) object given for parameter i, or null when it was omitted.
// Raises the argument parser's TypeError texts on failure. `display` is the
// function as messages name it, for example "Vec3.__new__()".
void bind_arguments_slow(const Signature& sig, const char* cls, std::string_view method,
                         PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out);

inline void bind_arguments(const Signature& sig, const char* cls, std::string_view method,
                           PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out) {
    std::size_t n = static_cast<std::size_t>(nargs);
    if (!kwnames && n >= sig.required_positional && n <= sig.positional) {
        std::size_t i = 0;
        for (; i < n; ++i) out[i] = args[i];
        for (; i < sig.count; ++i) {
            if (!sig.params[i].has_default) break;  // a required keyword-only parameter
            out[i] = nullptr;
        }
        if (i == sig.count) return;
    }
    bind_arguments_slow(sig, cls, method, args, nargs, kwnames, out);
}

}  // namespace vx::bind
