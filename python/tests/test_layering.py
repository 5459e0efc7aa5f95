"""The package's modules import one way: each only from the layers below
its own, at module level and inside functions alike, so that no import
circle can come back through an import deferred into a function. Imports
for annotations alone (under ``if TYPE_CHECKING:``) never run and may
name any module."""

from __future__ import annotations

import ast
from pathlib import Path
from typing import Dict, Iterable, Iterator, List, Set

import pytest

import readdata14

# Lowest first; a module imports only from the layers before its own.
LAYERS: List[Set[str]] = [
    {"_capi"},                                  # the C boundary, and nothing else touches it
    {"_texts", "_paths", "_errors"},            # texts, paths and refusals, as every module needs them
    {"_layers"},                                # the layer model's tables
    {"_shapes", "_sections"},                   # geometries; sections and elements
    {"_geo", "_document", "_frames"},           # frames out, files out, frames in
    {"_chart"},                                 # a read chart
    {"_builder"},                               # a built chart
    {"_many", "_write"},                        # public functions over both
    {"__init__"},
]
PACKAGE = Path(readdata14.__file__).parent


def _layer_of() -> Dict[str, int]:
    return {name: rank for rank, names in enumerate(LAYERS) for name in names}


def _runtime_imports(nodes: Iterable[ast.AST]) -> Iterator[ast.ImportFrom]:
    """Every relative import that runs, at any depth, but those under TYPE_CHECKING."""
    for node in nodes:
        if isinstance(node, ast.If) and ast.unparse(node.test) in ("TYPE_CHECKING", "typing.TYPE_CHECKING"):
            yield from _runtime_imports(node.orelse)
            continue
        if isinstance(node, ast.ImportFrom) and node.level > 0:
            yield node
        yield from _runtime_imports(ast.iter_child_nodes(node))


def imported_modules(source: str) -> Set[str]:
    """The package's modules that `source` imports when it runs."""
    found: Set[str] = set()
    for node in _runtime_imports([ast.parse(source)]):
        if node.module:  # from ._x import y
            found.add(node.module.split(".")[0])
        else:  # from . import _x
            found.update(alias.name for alias in node.names)
    return found


def test_every_module_has_a_layer() -> None:
    modules = {path.stem for path in PACKAGE.glob("*.py")}
    assert modules == set(_layer_of()), "declare each module's layer in LAYERS"


@pytest.mark.parametrize("path", sorted(PACKAGE.glob("*.py")), ids=lambda path: path.stem)
def test_imports_go_down(path: Path) -> None:
    layer = _layer_of()
    upward = sorted(name for name in imported_modules(path.read_text(encoding="utf-8"))
                    if layer[name] >= layer[path.stem])
    assert not upward, f"{path.stem} imports from its own layer or above: {upward}"


@pytest.mark.parametrize("source, expected", [
    ("from . import _capi\nfrom ._chart import Chart", {"_capi", "_chart"}),
    ("def f():\n    from ._write import write", {"_write"}),                   # inside a function
    ("class C:\n    def m(self):\n        if x:\n            from ._geo import g", {"_geo"}),
    ("if TYPE_CHECKING:\n    from ._chart import Chart", set()),             # annotations alone
    ("if TYPE_CHECKING:\n    pass\nelse:\n    from ._chart import Chart", {"_chart"}),
    ("import numpy\nfrom typing import List", set()),                        # not the package's
])
def test_imports_found(source: str, expected: Set[str]) -> None:
    assert imported_modules(source) == expected
