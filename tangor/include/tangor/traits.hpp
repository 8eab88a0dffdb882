#pragma once

// The trait set of the collision library. Each trait is a class template
// specialised once per shape kind, so every call is bound at compile time;
// the free function templates below are the spelling that callers use. Which
// test decides a pair of kinds is the pair catalogue's (tangor/pairs.hpp).

#include <concepts>

#include "tangor/fwd.hpp"
#include "tangor/util.hpp"

namespace tangor {

// Specialised per kind: static void translate(S&, Vec3), rotate_quat(S&, Quat),
// rotate_mat(S&, const Mat3&), transform(S&, const Affine3&), scale(S&, float).
template <class S>
struct Transformable;

// Specialised per kind: static sphere::Sphere broadphase(const S&) and
// static cuboid::Cuboid aabb(const S&).
template <class S>
struct Bounded;

// Specialised per kind: static R stretch(const S&, Vec3), the volume swept
// when the shape moves along the translation.
template <class S>
struct Stretchable;

template <class S>
concept transformable = requires(S& s, Vec3 v, Quat q, const Mat3& m, const Affine3& a, float f) {
  Transformable<S>::translate(s, v);
  Transformable<S>::rotate_quat(s, q);
  Transformable<S>::rotate_mat(s, m);
  Transformable<S>::transform(s, a);
  Transformable<S>::scale(s, f);
};

template <class S>
concept bounded = requires(const S& s) {
  Bounded<S>::broadphase(s);
  Bounded<S>::aabb(s);
};

template <class S>
concept stretchable = requires(const S& s, Vec3 t) { Stretchable<S>::stretch(s, t); };

template <transformable S>
void translate(S& s, Vec3 t) { Transformable<S>::translate(s, t); }
template <transformable S>
void rotate_quat(S& s, Quat q) { Transformable<S>::rotate_quat(s, q); }
template <transformable S>
void rotate_mat(S& s, const Mat3& m) { Transformable<S>::rotate_mat(s, m); }
template <transformable S>
void transform(S& s, const Affine3& a) { Transformable<S>::transform(s, a); }
template <transformable S>
void scale(S& s, float f) { Transformable<S>::scale(s, f); }

template <bounded S>
auto broadphase(const S& s) { return Bounded<S>::broadphase(s); }
template <bounded S>
auto aabb(const S& s) { return Bounded<S>::aabb(s); }

template <stretchable S>
auto stretch(const S& s, Vec3 t) { return Stretchable<S>::stretch(s, t); }

}  // namespace tangor
