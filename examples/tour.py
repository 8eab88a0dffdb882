"""A short tour of vexorin's value types and shapes."""

import pickle

from vexorin import Capsule, Cuboid, EulerRot, Sphere, Vec3

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
