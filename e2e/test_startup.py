"""The program's start and end, seen from the app inside it: the window it
gets, when it becomes visible, the arguments and files the engine is given,
the plugins, and the exit code."""

import unittest

import kestro_e2e as e2e

LIST_PRINTERS = {"method": "listPrinters"}


def tearDownModule():
    e2e.stop_wine()


class StartupTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        # Wine's RegisterApplicationRestart only traces what it is given.
        cls.run_ = e2e.run_kestro("startup", [LIST_PRINTERS], app_args=["alpha", "two words"],
                                  env={"WINEDEBUG": "fixme+process"})
        cls.started = cls.run_.started()

    def test_exits_zero_after_the_script(self):
        self.assertEqual(self.run_.exit_code, 0, self.run_.stderr)
        self.assertEqual(self.run_.transcript[-1]["event"], "closing")
        self.assertEqual(self.run_.transcript[-1]["answered"], 1)
        self.assertFalse(self.run_.transcript[-1]["unanswered"])

    def test_registers_for_restart_except_after_a_crash_a_hang_or_a_reboot(self):
        # RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT, no command line.
        calls = [line.split(":", 1)[1] for line in self.run_.stderr_lines()
                 if "RegisterApplicationRestart" in line]
        self.assertEqual(calls, ["fixme:process:RegisterApplicationRestart ((null),11)"])

    def test_the_window_is_titled_kestro(self):
        self.assertEqual(self.started["event"], "started")
        self.assertEqual(self.started["windowTitle"], "kestro")

    def test_the_window_becomes_visible_only_at_the_first_frame(self):
        self.assertFalse(self.started["windowShownBeforeFrame"])
        self.assertFalse(self.started["windowVisibleBeforeFrame"])
        self.assertTrue(self.started["windowVisible"])

    def test_the_view_gets_the_client_area_of_a_1280_by_720_window_at_96_dpi(self):
        self.assertEqual(self.started["dpi"], 96)
        self.assertEqual(self.started["windowRect"], [10, 10, 1280, 720])
        width, height = self.started["clientSize"]
        self.assertEqual(self.started["viewSize"], [width, height])
        self.assertEqual(self.started["viewWindowSize"], [width, height])
        # The frame and caption take their share of the outer size.
        self.assertLess(width, 1280)
        self.assertLess(height, 720)
        self.assertGreater(width, 1200)
        self.assertGreater(height, 600)

    def test_the_engine_gets_the_bundle_paths_relative_to_the_executable(self):
        self.assertEqual(self.started["assetsPath"], "data\\flutter_assets")
        self.assertEqual(self.started["icuDataPath"], "data\\icudtl.dat")
        self.assertEqual(self.started["aotLibraryPath"], "data\\app.so")
        self.assertTrue(self.started["bundleFilesFound"])

    def test_the_arguments_reach_the_app_in_order(self):
        self.assertEqual(self.started["entrypointArgs"][4:], ["alpha", "two words"])
        self.assertEqual(self.started["entrypointArgs"][0], "--script")
        self.assertEqual(self.started["entrypointArgs"][2], "--transcript")

    def test_the_eight_plugins_register_in_order_with_their_own_registrars(self):
        plugins = self.started["plugins"]
        self.assertEqual([p["name"] for p in plugins], e2e.PLUGINS)
        for plugin in plugins:
            self.assertTrue(plugin["registrar"], plugin)
            self.assertEqual(plugin["registrarFor"], plugin["name"])

    def test_the_host_sends_nothing_of_its_own(self):
        self.assertFalse([line for line in self.run_.transcript
                          if line.get("event") == "hostMessage"])


class ArgumentTest(unittest.TestCase):

    def test_an_unpaired_surrogate_argument_becomes_an_empty_string_in_its_place(self):
        run = e2e.run_kestro("surrogate", [], app_args=["before", e2e.UNPAIRED_SURROGATE,
                                                        "after"], via_launcher=True)
        self.assertEqual(run.exit_code, 0, run.stderr)
        self.assertEqual(run.started()["entrypointArgs"][4:], ["before", "", "after"])

    def test_arguments_keep_their_text(self):
        words = ["\u00e9t\u00e9", "\u65e5\u672c", "a\"b", "back\\slash", ""]
        run = e2e.run_kestro("words", [], app_args=words, via_launcher=True)
        self.assertEqual(run.exit_code, 0, run.stderr)
        self.assertEqual(run.started()["entrypointArgs"][4:], words)


class ScalingTest(unittest.TestCase):

    def test_at_120_dpi_origin_and_size_are_scaled(self):
        run = e2e.run_kestro("dpi120", [], env={"KESTRO_STANDIN_DPI": "120"})
        self.assertEqual(run.exit_code, 0, run.stderr)
        started = run.started()
        self.assertEqual(started["dpi"], 120)
        self.assertEqual(started["windowRect"], [12, 12, 1600, 900])
        self.assertEqual(started["viewSize"], started["clientSize"])


class SessionEndTest(unittest.TestCase):
    """Logoff, shutdown or a restart for updates, as Windows plays it to the
    window: Windows may end the process as soon as WM_ENDSESSION returns."""

    def test_the_app_has_closed_when_the_session_end_returns_and_the_program_exits_zero(self):
        # Without the session's end the window would stay up for a minute.
        run = e2e.run_kestro("session-end", [], app_args=["--hold-ms", "60000"],
                             end_session=True)
        self.assertEqual(run.stdout.replace("\r", "").splitlines(),
                         ["WM_QUERYENDSESSION 1", "WM_ENDSESSION 0"], run.stderr)
        self.assertEqual(run.exit_code, 0, run.stderr)
        self.assertEqual(run.transcript_at_session_end, run.transcript)
        self.assertEqual([line.get("event") for line in run.transcript], ["started", "closing"])


class FailedViewTest(unittest.TestCase):

    def test_a_failed_view_controller_ends_the_program_with_1(self):
        run = e2e.run_kestro("failview", [LIST_PRINTERS], app_args=["--fail-view"])
        self.assertEqual(run.exit_code, 1)
        self.assertIn("Failed to create view controller.", run.stderr_lines())
        self.assertEqual(run.transcript, [], "the app never started")


if __name__ == "__main__":
    unittest.main()
