"""The binding core on its own, through the test-only probe module: borrow flags and their order against
argument conversion, the sequence, tuple, index and instance casters, the discarding of ordinary errors
only, every slot kind, and a subclassable base with final qualified subclasses."""

import pytest

probe = pytest.importorskip("_bind_probe")
Bag, Countdown, Kind, Casts = probe.Bag, probe.Countdown, probe.Kind, probe.Casts


class Reentrant:
    """A number whose conversion calls back into a bag."""

    def __init__(self, call):
        self.call = call

    def __float__(self):
        self.call()
        return 1.0


# ---- borrow flags ----

def test_exclusive_self_borrow_is_taken_before_the_argument_is_converted():
    b = Bag([1.0])
    with pytest.raises(RuntimeError) as e:
        b.push(Reentrant(b.total))
    assert str(e.value) == "Already mutably borrowed"
    assert e.value.__notes__ == ["while processing 'x'"]
    assert b.items() == [1.0]
    b.push(2.0)  # released on the failure path
    assert b.items() == [1.0, 2.0]


def test_a_converter_takes_a_shared_borrow_of_another_object():
    b = Bag([1.0, 2.0])
    with pytest.raises(RuntimeError) as e:
        b.include(b)
    assert str(e.value) == "Already mutably borrowed"
    assert e.value.__notes__ == ["while processing 'other'"]
    other = Bag([3.0])
    b.include(other)
    assert b.items() == [1.0, 2.0, 3.0]
    assert b.common_length(b) == 3  # two shared borrows of one object


def test_a_shared_self_borrow_refuses_an_exclusive_reentry():
    b = Bag([1.0])
    with pytest.raises(RuntimeError) as e:
        b.scaled_total(Reentrant(lambda: b.push(5.0)))
    assert str(e.value) == "Already borrowed"
    assert b.scaled_total(Reentrant(b.total)) == 1.0  # shared within shared


def test_the_flag_is_released_after_every_failure():
    b = Bag()
    for bad in ("x", None, object()):
        with pytest.raises(TypeError):
            b.push(bad)
    b.push(1.0)
    assert len(b) == 1


# ---- casters ----

@pytest.mark.parametrize(
    "value, expected",
    [([1, 2.5], [1.0, 2.5]), ((), []), (range(3), [0.0, 1.0, 2.0]), (b"\x01\x02", [1.0, 2.0])],
)
def test_list_caster_takes_any_sequence_but_str(value, expected):
    assert Casts.floats(value) == expected


@pytest.mark.parametrize(
    "value, error, message",
    [
        ("ab", TypeError, "Can't extract `str` to `Vec`"),
        (5, TypeError, "'int' object is not an instance of 'Sequence'"),
        ({1: 2}, TypeError, "'dict' object is not an instance of 'Sequence'"),
        ([1, "a"], TypeError, "must be real number, not str"),
    ],
)
def test_list_caster_refusals(value, error, message):
    with pytest.raises(error, match=message) as e:
        Casts.floats(value)
    assert e.value.__notes__ == ["while processing 'items'"]


def test_list_caster_grows_as_items_arrive():
    class Liar:
        def __len__(self):
            return 2**40

        def __getitem__(self, i):
            if i < 3:
                return i
            raise IndexError

    assert Casts.floats(Liar()) == [0.0, 1.0, 2.0]


def test_nested_fixed_length_items():
    assert Casts.nested([(1, 2), [3, 4]]) == [[1.0, 2.0], [3.0, 4.0]]
    with pytest.raises(ValueError) as e:
        Casts.nested([(1, 2, 3)])
    assert str(e.value) == "expected a sequence of length 2 (got 3)"


class TupleSub(tuple):
    pass


@pytest.mark.parametrize(
    "value, outcome",
    [
        ((1.5, 2), (1.5, 2)),
        (TupleSub((1, 2)), (1.0, 2)),
        ([1, 2], (TypeError, "'list' object is not an instance of 'tuple'")),
        ((1, 2, 3), (ValueError, "expected tuple of length 2, but got tuple of length 3")),
        ((1, 2.5), (TypeError, "'float' object cannot be interpreted as an integer")),
    ],
)
def test_tuple_caster(value, outcome):
    if isinstance(outcome[0], type):
        with pytest.raises(outcome[0]) as e:
            Casts.pair(value)
        assert str(e.value) == outcome[1]
    else:
        assert Casts.pair(value) == outcome


def test_index_casters():
    assert Casts.unsigned_index(2**64 - 1) == 2**64 - 1
    assert Casts.signed_index(-(2**63)) == -(2**63)
    with pytest.raises(OverflowError) as e:
        Casts.unsigned_index(-1)
    assert e.value.__notes__ == ["while processing 'i'"]
    with pytest.raises(OverflowError):
        Casts.signed_index(2**63)
    with pytest.raises(TypeError):
        Casts.unsigned_index(1.0)


class Boom:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


@pytest.mark.parametrize("error", [ValueError("v"), TypeError("t"), AttributeError("a"), OverflowError("o")])
def test_try_cast_discards_ordinary_errors(error):
    assert Casts.maybe_float(Boom(error)) is None
    assert Casts.maybe_float(2) == 2.0


@pytest.mark.parametrize("error", [KeyboardInterrupt, SystemExit, GeneratorExit, MemoryError, RecursionError])
def test_try_cast_passes_other_errors_on_unchanged(error):
    raised = error("x")
    with pytest.raises(error) as e:
        Casts.maybe_float(Boom(raised))
    assert e.value is raised


def test_instance_caster_takes_the_class_or_a_subclass_and_names_qualified_types():
    assert Casts.kind_of(Kind.Small(3)) == 3
    assert Casts.small_of(Kind.Small(4)) == 4
    class Local:
        pass

    for value, target, message in [
        (Kind.Large(1), Casts.small_of, "'Kind.Large' object is not an instance of 'Small'"),
        (None, Casts.kind_of, "'None' is not an instance of 'Kind'"),
        (Local(), Casts.kind_of, f"'{Local.__qualname__}' object is not an instance of 'Kind'"),
    ]:
        with pytest.raises(TypeError) as e:
            target(value)
        assert str(e.value) == message


def test_str_caster_passes_lone_surrogates_through():
    assert Casts.text("héllo") == "héllo".encode()
    assert Casts.text("a\ud800b") == b"a\xed\xa0\x80b"


def test_unencodable_keyword_names_are_unexpected_keywords():
    with pytest.raises(TypeError, match="got an unexpected keyword argument") as e:
        Casts.text(**{"\udc80": 1})
    assert "\udc80" in str(e.value)


# ---- slots ----

def test_sequence_slots_and_iteration():
    b = Bag([1.0, 2.0, 3.0])
    assert len(b) == 3 and b[-1] == 3.0 and list(b) == [1.0, 2.0, 3.0]
    assert repr(b) == "Bag(len=3)"
    with pytest.raises(IndexError, match="^Bag index out of range$"):
        b[3]
    with pytest.raises(TypeError) as e:
        b[1.0]
    assert e.value.__notes__ == ["while processing 'idx'"]


def test_forward_and_reflected_number_slots():
    b = Bag([1.0])
    assert (b + 1).items() == [2.0] and (1 + b).items() == [2.0]
    with pytest.raises(TypeError):
        b + "x"  # the operand is refused: NotImplemented on both sides


def test_comparison_hash_and_truth():
    b = Bag([1.0, 2.0])
    assert b == [1, 2] and [1, 2] == b and b != [1] and b != "no"
    with pytest.raises(TypeError):
        b < b
    assert hash(Bag()) == -2 and hash(b) == 2
    assert not Bag() and b


def test_iterator_slots():
    assert list(Countdown(3)) == [3, 2, 1]


# ---- class shapes ----

def test_subclassable_base_with_final_qualified_subclasses():
    assert Kind.Small.__qualname__ == "Kind.Small" and Kind.Small.__name__ == "Small"
    assert Kind.Small.__module__ == "vexorin._vexorin"
    assert Kind.Small.__text_signature__ == "(_0)"
    s = Kind.Small(5)
    assert isinstance(s, Kind) and s._0 == 5 and s.__dict__ == {} and Kind.__dataclass_fields__ == {}
    match s:
        case Kind.Small(v):
            assert v == 5
    with pytest.raises(TypeError):
        Kind()

    class Mine(Kind):
        pass

    with pytest.raises(TypeError):
        Mine()
    with pytest.raises(TypeError, match="not an acceptable base type"):
        type("Sub", (Kind.Small,), {})
    with pytest.raises(TypeError, match="not an acceptable base type"):
        type("Sub", (Bag,), {})
