"""A program's network as an SVG picture for notebooks (Program._repr_svg_),
drawn by Graphviz's dot from Program.graph()."""

from __future__ import annotations

import shutil
import subprocess
from typing import TYPE_CHECKING

if TYPE_CHECKING:
    from ._vantorb import Program

# The most neurons drawn, as in the window: dot takes minutes over larger
# networks and the picture shows nothing readable.
MOST_NEURONS_DRAWN = 1500
# Seconds dot may take before the notebook goes on without a picture.
DOT_TIMEOUT = 30.0


def _repr_svg_(self: Program) -> str | None:
    """The network as SVG text, for IPython and Jupyter to show a Program.

    None (the notebook then shows the repr) when Graphviz's dot is not on
    the PATH, when the network has more than 1500 neurons, or when dot
    fails or takes longer than 30 seconds.
    """
    dot = shutil.which("dot")
    if dot is None or self.info["neurons"] > MOST_NEURONS_DRAWN:
        return None
    try:
        drawn = subprocess.run([dot, "-Tsvg"], input=self.graph(), capture_output=True,
                               text=True, timeout=DOT_TIMEOUT, check=False)
    except subprocess.TimeoutExpired:
        # A picture is a nicety: the notebook shows the text instead.
        return None
    return drawn.stdout if drawn.returncode == 0 else None
