import pytest


@pytest.fixture
def np():
    return pytest.importorskip("numpy")
