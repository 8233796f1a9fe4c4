#include "support/Delays.h"

ProgramDelays& Delays() {
  static ProgramDelays delays;
  return delays;
}
