"""Tests of scripts/check-programs: which words count as calls, and which
packages may provide them.

    python3 check_programs_test.py PATH_TO_CHECK_PROGRAMS
"""

import importlib.machinery
import importlib.util
import sys
import unittest


def load(path):
    loader = importlib.machinery.SourceFileLoader("check_programs", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


class WordsCalledTest(unittest.TestCase):
    def test_words_that_may_name_programs(self):
        # Single-word literals here are checked too: they name declared programs.
        cases = [
            ("shell", "#!/usr/bin/env bash\n", {"/usr/bin/env", "bash"}),
            ("shell", "xdotool search   # then Xvfb\n", {"xdotool", "search"}),
            ("shell", 'if [[ -x $loader ]]; then exec "$loader" "$@"; fi\n', set()),
            ("shell", '"/usr/lib/wine/wineserver" --wait\n', {"/usr/lib/wine/wineserver"}),
            ("shell", "scripts/wine-run --prefix $(BUILD)/p\n", {"BUILD"}),
            ("shell", "add_test(NAME seeds)\n", {"NAME", "seeds"}),
            ("shell", "echo 'a # b' | grep -c '#'\n", {"a", "b", "grep"}),
            ("python", 'subprocess.run(["xdotool", "-k"])  # "Xvfb"\n', {"xdotool"}),
            ("python", 'print("an xdotool message")\n', set()),
        ]
        for kind, text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(check.words_called(text, kind), expected)


class AllowedPackagesTest(unittest.TestCase):
    # name: (base system, depends as lists of alternatives, provides)
    PACKAGES = {
        "base-tools": (True, [], []),
        "emulator": (False, [["emulator-libs"]], []),
        "emulator-libs": (False, [["fonts-one", "fonts-two"]], []),
        "fonts-two": (False, [], []),
        "emulator-links": (False, [["emulator"]], []),
        "display-server": (False, [], ["virtual-display"]),
        "display-wrapper": (False, [["virtual-display"]], []),
        "stray-tool": (False, [], []),
    }

    def test_declared_packages_their_dependencies_and_the_base(self):
        # What only happens to be installed is not allowed, even when it depends on a
        # declared package (emulator-links), nor an alternative that is not installed.
        allowed = check.allowed_packages(["emulator", "display-wrapper"], self.PACKAGES)
        self.assertEqual(allowed, {"base-tools", "emulator", "emulator-libs", "fonts-two",
                                   "display-wrapper", "display-server"})


if __name__ == "__main__":
    check = load(sys.argv.pop(1))
    unittest.main()
