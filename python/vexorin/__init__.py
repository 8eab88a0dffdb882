"""vexorin: double-precision vectors and transforms, collision shapes and parametric curves."""

from vexorin import _vexorin
from vexorin._vexorin import *  # noqa: F401,F403

__all__ = list(_vexorin.__all__)
