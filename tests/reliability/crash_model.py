"""Disk states a power cut may leave after a recorded run (see crash_test.py)."""

import os


def snapshot(roots):
    """Every folder and file under the roots, with the files' bytes."""
    dirs, files = set(), {}
    for root in roots:
        for folder, _, names in os.walk(root):
            dirs.add(folder)
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    files[os.path.join(folder, name)] = f.read()
    return dirs, files
