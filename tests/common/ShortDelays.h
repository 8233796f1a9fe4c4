#pragma once
// The program's fixed waits cut short for the length of a test, so a test
// that goes through one does not sit out seconds; the defaults come back
// when it ends.
#include "support/Delays.h"

class CShortDelays {
 public:
  explicit CShortDelays(const ProgramDelays& shortened) { Delays() = shortened; }
  CShortDelays() : CShortDelays(Shortened()) {}
  ~CShortDelays() { Delays() = ProgramDelays(); }
  CShortDelays(const CShortDelays&) = delete;
  CShortDelays& operator=(const CShortDelays&) = delete;

  static ProgramDelays Shortened() {
    ProgramDelays delays;
    delays.fallbackPauseMs = 50;
    delays.downloadEndPauseMs = 50;
    delays.tipMs = 3000;
    delays.countdownStepMs = 100;
    return delays;
  }
};
