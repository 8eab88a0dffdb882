#pragma once
// The forms in which a value type exchanges its flat run of N doubles (in
// storage order) with Python: pickled state, the dict form (a tuple), JSON
// text, lists and text. Vectors, Quat and the matrices all go through here.
#include <span>
#include <string>
#include <string_view>

#include "bind/handle.hpp"

namespace vx {

// The pickled state: PROTO 3, MARK, one BINFLOAT per component, TUPLE, STOP.
std::string encode_components(std::span<const double> c);
// Decodes a state into `out` (a tuple or list of at least out.size() ints or
// floats); raises ValueError "pickle decode failed: ...".
void decode_components(std::string_view state, std::span<double> out);

// A new tuple / list of the components as floats.
bind::Ref components_tuple(std::span<const double> c);
bind::Ref components_list(std::span<const double> c);

// from_dict: a list, tuple or collections.abc.Sequence of exactly out.size()
// numbers; ValueError otherwise.
void components_from_dict(PyObject* obj, std::span<double> out);

// "[c0,c1,...]" in the JSON number form.
std::string components_json(std::span<const double> c);
// Parses JSON text holding exactly out.size() numbers; ValueError with the
// reader's message. Returns false instead of raising when `quiet`.
bool components_from_json(std::string_view text, std::span<double> out, std::string_view expecting, bool quiet);

// "{name}(c0, c1, ...)" and "[c0, c1, ...]" in the plain number form.
std::string components_repr(const char* name, std::span<const double> c);
std::string components_str(std::span<const double> c);

// The value types' hash of their components.
long long components_hash(std::span<const double> c);

}  // namespace vx
