#pragma once
// The program's fixed waits, kept in one place so that tests can run them
// short. The program itself never changes them.

struct ProgramDelays {
  // Before the one retry of a web API call on the fallback host.
  unsigned long fallbackPauseMs = 3000;
  // A download worker's pause after its last file, before its last report.
  unsigned long downloadEndPauseMs = 1000;
  // How long the sign-in page shows a tip.
  unsigned tipMs = 7000;
  // One step of the send-code button's 60-step countdown.
  unsigned countdownStepMs = 993;
};

ProgramDelays& Delays();
