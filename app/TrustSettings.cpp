#include "app/TrustSettings.h"

#include <algorithm>
#include <string>

#include "support/CurlTransfer.h"
#include "support/LogFile.h"
#include "workers/DeploymentTrust.h"

void ApplyCompiledTrust() {
  const DeploymentTrust& compiled = CompiledDeploymentTrust();
  TransferTrust trust;
  trust.pins = compiled.tlsPins;
  trust.caBundlePem = compiled.caBundlePem;
  SetTransferTrust(trust);
  if (!trust.VerifiesServers()) {
    LOG_LINE(L"未校验服务器证书：本版本没有公钥指纹，也没有CA证书");
  } else {
    if (!trust.pins.empty()) {
      const long pins = 1 + static_cast<long>(std::count(trust.pins.begin(), trust.pins.end(), ';'));
      LOG_LINE(L"服务器公钥须符合%ld个指纹之一", pins);
    }
    if (!trust.caBundlePem.empty()) LOG_LINE(L"服务器证书及主机名按内置CA证书校验");
  }
  if (compiled.updateKeyPem[0] != '\0') {
    LOG_LINE(L"更新文件须带有效签名");
  } else {
    LOG_LINE(L"更新文件不校验签名");
  }
}
