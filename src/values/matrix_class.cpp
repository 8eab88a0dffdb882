#include "values/matrix_class.hpp"

#include "vxformats/number_text.hpp"

namespace vx {

std::string matrix_repr(const char* name, std::span<const double> components, std::size_t rows) {
    std::string s = name;
    s += '(';
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i % rows == 0) s += i ? "], [" : "[";
        else s += ", ";
        vxformats::append_plain(s, components[i]);
    }
    s += "])";
    return s;
}

}  // namespace vx
