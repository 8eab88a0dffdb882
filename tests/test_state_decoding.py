"""Hostile pickled states: the decoder's messages stay short valid text, and its memory stays in proportion."""

import os
import subprocess
import sys
import textwrap

import pytest

from vexorin import Vec3

LONG_TEXT = b"\x80\x03X" + (10_000_000).to_bytes(4, "little") + b"a" * 10_000_000 + b"\x85."


@pytest.mark.parametrize(
    "state, shown",
    [
        (b"\x80\x03X\x03\x00\x00\x00\xed\xa0\x80\x85.", 'string "\\u{d800}"'),
        (b"(V\\ud800\nt.", 'string "\\u{d800}"'),
        (LONG_TEXT, 'string "' + "a" * 48 + '"...'),
    ],
    ids=["lone surrogate", "protocol 0 surrogate", "10 MB string"],
)
def test_decode_messages_are_short_text(state, shown):
    with pytest.raises(ValueError) as caught:
        Vec3(__pickle_state__=state)
    assert str(caught.value) == f"pickle decode failed: invalid type: {shown}, expected f64"


# Each state is about 20 MiB of one-byte opcodes. The child may use its
# current address space plus the bytes of the state twice (the caller's and
# the copy the argument makes), four bytes per byte of working memory and a
# fixed margin; the reader once took 112 bytes per opcode.
CHILD = textwrap.dedent(
    """
    import pickle, resource, sys
    from vexorin import Vec3

    n = 20 * 1024 * 1024
    state = {
        "nones": lambda: pickle.dumps([None] * n, protocol=3),
        "memoize": lambda: b"\\x80\\x04N" + b"\\x94" * n + b".",
        "one mark": lambda: b"\\x80\\x03(" + b"N" * n + b"t.",
    }[sys.argv[1]]()
    with open("/proc/self/status") as status:
        used = next(int(line.split()[1]) * 1024 for line in status if line.startswith("VmSize:"))
    allowance = used + 6 * len(state) + 64 * 1024 * 1024
    resource.setrlimit(resource.RLIMIT_AS, (allowance, allowance))
    try:
        Vec3(__pickle_state__=state)
    except ValueError as e:
        print("ValueError", str(e)[:60])
    """
)


@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc/self/status")
@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="the sanitizer reserves its own address space")
@pytest.mark.parametrize("flood", ["nones", "memoize", "one mark"])
def test_decoding_memory_is_in_proportion_to_the_state(flood):
    child = subprocess.run([sys.executable, "-c", CHILD, flood], capture_output=True, text=True, timeout=120)
    assert child.returncode == 0, child.stderr[-2000:]
    assert child.stdout.startswith("ValueError pickle decode failed: "), child.stdout
