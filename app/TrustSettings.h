#pragma once
// Puts the trust this build was made with into effect for the run and says
// in the log what it checks and what it does not.

// At start-up, after the log is open and before any transfer.
void ApplyCompiledTrust();
