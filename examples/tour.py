"""A short tour of vexorin's value types, shapes and curves."""

import pickle

from vexorin import Capsule, Collider, CubicBezier, Cuboid, EulerRot, Plane, Polyline, Sphere, Vec3

a = Vec3(1, 2, 3)
b = Vec3(x=0.5, z=-2)
print("a =", a, " b =", b, " repr:", repr(a))
print("a + b =", a + b, " a * 2 =", a * 2, " 10 - a =", 10 - a, " a % 2 =", a % 2)
print("a == (1, 2, 3):", a == (1, 2, 3), " hash(a):", hash(a))
print("components:", list(a), " a[-1] =", a[-1])
print("JSON:", a.to_json(), "->", Vec3.from_json(a.to_json()))
print("pickle round trip:", pickle.loads(pickle.dumps(a)))
print("NumPy:", a.to_numpy())
print("Euler order:", EulerRot.XYZ, int(EulerRot.XYZ))

s = Sphere(a, 0.1)  # stored in single precision
print("sphere:", s, " centre:", s.center, " radius:", s.radius)
box = Cuboid.from_aabb((0, 0, 0), (2, 4, 6))
print("box:", box, " contains (1, 1, 1):", box.contains_point((1, 1, 1)), " corners:", len(box.corners()))
cap = Capsule((0, 0, 0), (0, 0, 2), 0.5)
print("capsule:", cap, " bounding sphere:", cap.bounding_sphere(), " fields:", cap.__dict__)
print("shape pickle round trip:", pickle.loads(pickle.dumps(cap)))

# Curves: single precision inside, Vec3 in and out.
curve = CubicBezier((0, 0, 0), (1, 2, 0), (3, 2, 0), (4, 0, 0))
print("curve:", curve, " point(0.5) =", curve.point(0.5), " length:", round(curve.length(), 4))
print("nearest to (2, 3, 0):", curve.nearest((2, 3, 0)))
print("halfway along:", curve.point_at_distance(curve.length() / 2), " bounds:", curve.aabb())
left, right = curve.split(0.5)
print("halves meet at", left.points[-1], "; a polyline's pieces:", Polyline([(0, 0, 0), (1, 0, 0), (1, 2, 0)]).segments())

# A collider gathers shapes of every kind and answers for all of them at once.
scene = Collider.from_any([Sphere((0, 0, 0), 1), box, cap, Plane((0, 0, 1), -10)])
print("collider:", scene, " kinds:", hex(scene.mask()), " spheres:", list(scene.spheres()))
print("touches a ball at (1.5, 0, 0):", scene.collides(Sphere((1.5, 0, 0), 0.6)),
      " a ball at (9, 9, 0):", scene.collides(Sphere((9, 9, 0), 0.5)))
other = Collider.from_any(Capsule((5, 5, 5), (7, 7, 7), 0.5)).translated((-4, -4, -4))
print("collides with a moved collider:", scene.collides_other(other), " round trip:", pickle.loads(pickle.dumps(scene)))
