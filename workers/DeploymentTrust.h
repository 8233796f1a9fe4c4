#pragma once
// What the deployment this program was built for trusts: the pins and
// certificates its HTTPS hosts must show, and the key its updates are
// signed with. An empty text leaves that check off, as a build that sets
// nothing has them.

struct DeploymentTrust {
  const char* tlsPins;       // "sha256//BASE64[;sha256//BASE64...]" of the hosts' public keys
  const char* caBundlePem;   // certificates that verify the hosts and their names
  const char* updateKeyPem;  // Ed25519 public key of the update signatures
};

const DeploymentTrust& CompiledDeploymentTrust();
