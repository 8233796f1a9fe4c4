"""The demo's scripted walk through the program on a virtual display: the
start-up page, the sign-in page, and closing through the program's own
confirmation. Screenshots go to the build's e2e-artifacts/demo folder."""
import os
import sys
import unittest

from orvane_e2e import ARTIFACTS, ProgramTestCase


class DemoWalk(ProgramTestCase):
    def test_walk(self):
        self.demo.fault("primary down")
        program = self.start_program()
        window = program.main_window()
        program.wait_text("版本:1.4")
        print("start-up page:", program.screenshot("demo/1-startup", window))
        program.wait_text("请输入您的账号", 30)
        print("sign-in page:", program.screenshot("demo/2-sign-in", window))
        self.close_by_button(program, window)
        print("closed with exit code", program.wait_exit())


if __name__ == "__main__":
    os.makedirs(os.path.join(ARTIFACTS, "demo"), exist_ok=True)
    sys.exit(not unittest.main(exit=False, verbosity=0).result.wasSuccessful())
