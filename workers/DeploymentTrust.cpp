#include "workers/DeploymentTrust.h"

#include "CompiledTrust.h"

const DeploymentTrust& CompiledDeploymentTrust() {
  static const DeploymentTrust trust{kCompiledTlsPins, kCompiledCaBundle, kCompiledUpdateKey};
  return trust;
}
