#pragma once
// The method blocks that every vector class declares the same way.
#include "values/vector_class.hpp"

namespace vx {

template <class Cls>
bind::MethodTable vector_common_methods() {
    using D = bind::Declare<Cls>;
    using C = VectorClass<Cls>;
    return {
        D::template method<"__getnewargs_ex__($self)", &C::getnewargs_ex>(),
        D::template method<"to_numpy($self)", &C::to_numpy>(),
        D::template method<"__array__($self)", &C::to_numpy>(),
        D::template static_method<"from_numpy(array)", &C::from_numpy>(),
        D::template method<"to_list($self)", &C::to_cols_array>(),
        D::template method<"to_array($self)", &C::to_cols_array>(),
        D::template static_method<"from_array(a)", &C::from_cols_array>(),
    };
}

// to_dict / from_dict / try_from_dict / to_json / from_json / try_from_json.
template <class Cls>
bind::MethodTable flat_form_methods() {
    using D = bind::Declare<Cls>;
    using C = VectorClass<Cls>;
    return {
        D::template method<"to_dict($self)", &C::to_dict>(),
        D::template static_method<"from_dict(obj)", &C::from_dict>(),
        D::template static_method<"try_from_dict(obj)", &C::try_from_dict>(),
        D::template method<"to_json($self)", &C::to_json>(),
        D::template static_method<"from_json(json)", &C::from_json>(),
        D::template static_method<"try_from_json(json)", &C::try_from_json>(),
    };
}

}  // namespace vx
